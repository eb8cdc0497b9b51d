#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# azelmon describes every behaviour as its own: no text of the tree speaks of another program that it
# would replace, follow, copy or port. Fails with the offending lines. Phrases are matched, not single
# words, so an original file kept as .bak or SGP4's "original mean motion" stay as they are. This file
# is scanned too: the patterns have [ ] between their words and the samples _ (a blank when checked).
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
    $'\xe7\xa7\xbb\xe6\xa4\x8d' # Japanese for porting software
)
regex=$(IFS='|'; echo "${patterns[*]}")

# The patterns themselves: what they must catch and what they must leave alone.
must_match=(the_original_layout Safer_than_the_program_it_follows the_Windows_program_it_replaces
    against_the_stack_it_replaces ported_from_VB6 azelmon_is_a_port_of the_Original_Control)
must_pass=(Recover_the_original_mean_motion keeps_the_original_as_.bak TCP_port_of_the_Modbus_board
    'PORT_of_[BOARD_MAP]' a_text_stays_until_another_replaces_it read_as_the_Windows_profile_functions)
bad=0
for text in "${must_match[@]}"; do
    text=${text//_/ }
    grep -qiE "$regex" <<<"$text" || { echo "pattern misses: $text"; bad=1; }
done
for text in "${must_pass[@]}"; do
    text=${text//_/ }
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
