#!/usr/bin/env bash
# Puts the one-line licence tag "SPDX-License-Identifier: GPL-3.0-or-later" at the top of every C++,
# CMake, shell and Python file of the tree that lacks it (after a "#!" line), or with --check only
# lists those files and fails when there are any. Touching every source file rebuilds everything, so
# run it once at a quiet moment, when no other branch is about to be merged.
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: GPL-3.0-or-later"
check=0
[ "${1:-}" = --check ] && check=1
missing=0
while IFS= read -r file; do
    head -n 3 "$file" | grep -q "$tag" && continue
    missing=1
    if ((check)); then
        echo "$file"
        continue
    fi
    case "$file" in
    *.cpp | *.h) comment="// $tag" ;;
    *) comment="# $tag" ;;
    esac
    if head -n 1 "$file" | grep -q '^#!'; then
        { head -n 1 "$file"; echo "$comment"; tail -n +2 "$file"; } >"$file.spdx"
    else
        { echo "$comment"; cat "$file"; } >"$file.spdx"
    fi
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
done < <(git ls-files -- '*.cpp' '*.h' '*.sh' '*.py' 'CMakeLists.txt' '*/CMakeLists.txt' '.ci/run')
((check && missing)) && exit 1
exit 0
