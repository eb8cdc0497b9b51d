#!/usr/bin/env bash
# azelmon describes every behaviour as its own: no text of the tree speaks of another program that it
# would replace, follow, copy or port. Fails with the offending lines. Phrases are matched, not single
# words, so an original file kept as .bak or SGP4's "original mean motion" stay as they are; the
# patterns are written with [ ] between their words so that this file does not match itself.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}

patterns=(
    'original[ ](program|layout|platform|board|control|software|application)'
    'windows[ ](program|version|software|application)'
    '(program|software|application|stack)[ ]it[ ](replaces|follows|copies)'
    '\bit[ ]replaces\b'
    '\bported[ ](from|to)\b'
    '\b(a|is|as)[ ]port[ ]of\b'
    'safer[ ]than[ ]the[ ]program'
    '移植'
)
regex=$(IFS='|'; echo "${patterns[*]}")

# The patterns themselves: what they must catch and what they must leave alone.
must_match=("the original layout" "Safer than the program it follows" "the Windows program it replaces"
    "against the stack it replaces" "ported from VB6" "azelmon is a port of" "the Original Control")
must_pass=("Recover the original mean motion" "keeps the original as .bak" "TCP port of the Modbus board"
    "PORT of [BOARD_MAP]" "a text stays until another replaces it" "read as the Windows profile functions")
bad=0
for text in "${must_match[@]}"; do
    grep -qiE "$regex" <<<"$text" || { echo "pattern misses: $text"; bad=1; }
done
for text in "${must_pass[@]}"; do
    ! grep -qiE "$regex" <<<"$text" || { echo "pattern trips on: $text"; bad=1; }
done

cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- src tests tools docs data/help README.md)
else
    mapfile -t files < <(find src tests tools docs data/help README.md -type f 2>/dev/null)
fi
if ((${#files[@]} == 0)); then
    echo "no files found under $root"
    exit 1
fi
hits=$(printf '%s\0' "${files[@]}" | xargs -0 grep -n -I -i -E "$regex" -- 2>/dev/null || true)
if [[ -n $hits ]]; then
    echo "Describe these as azelmon's own behaviour:"
    echo "$hits"
    bad=1
fi
exit "$bad"
