#!/usr/bin/env bash
# test_layers.sh CHECK SRC: the project's sources pass; each kind of upward include fails.
set -uo pipefail
check="$1"
src="$2"
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bash "$check" "$src" >/dev/null || { echo "FAIL: the project's sources break the layers"; fail=1; }

# A tree holding one header per layer; $1 includes $2; expect pass (0) or failure (1).
expect() {
    local from="$1" to="$2" want="$3" tree="$tmp/case$RANDOM"
    for d in platform media core console script app; do
        mkdir -p "$tree/$d" && echo "#pragma once" >"$tree/$d/X.h"
    done
    printf '#include <QString>\n#include "X.h"\n#include "%s/X.h"\n' "$to" >"$tree/$from/Y.cpp"
    bash "$check" "$tree" >/dev/null 2>"$tmp/err"
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $from including $to gave $got, wanted $want: $(cat "$tmp/err")"
        fail=1
    fi
}
expect app console 0
expect app platform 0
expect console core 0
expect script media 0
expect core platform 0
expect platform media 1
expect media core 1
expect core console 1
expect core app 1
expect console script 1
expect script console 1
expect console app 1

# A path out of the file's folder is judged by the folder it reaches.
tree="$tmp/relative"
mkdir -p "$tree/core" "$tree/script"
echo "#pragma once" >"$tree/script/X.h"
echo '#include "../script/X.h"' >"$tree/core/Y.cpp"
bash "$check" "$tree" >/dev/null 2>&1 && { echo "FAIL: core reached script through ../"; fail=1; }

# A folder outside the layers is reported, not passed over.
mkdir -p "$tmp/odd/extra" && echo "int x;" >"$tmp/odd/extra/a.cpp"
bash "$check" "$tmp/odd" >/dev/null 2>&1 && { echo "FAIL: a folder outside the layers passed"; fail=1; }

[ "$fail" -eq 0 ] && echo "layer check: all cases as expected"
exit "$fail"
