#!/usr/bin/env bash
# The installed tree: cmake --install puts the program, the French catalog, the manual
# page and the bash completion where they are looked for; the installed program speaks
# French under a French locale, man finds the page under share/man, and
# bash-completion's own loader finds the completion under share/bash-completion.
# Usage: install_test.sh <cmake> <build directory>
set -uo pipefail
cmake=$1
build=$2
failures=0
checks=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

checks=$((checks + 1))
if ! output=$("$cmake" --install "$build" --prefix "$prefix" 2>&1); then
    fail "cmake --install:"
    echo "$output"
fi
for file in bin/zeltocov lib/locale/cov_fr.qm share/man/man1/zeltocov.1 \
    share/bash-completion/completions/zeltocov; do
    checks=$((checks + 1))
    [[ -f $prefix/$file ]] || fail "$file is not installed"
done

# The installed catalog, chosen by the locale (cov_fr.qm serves fr_FR, fr_CA ...).
for lang in fr_FR.UTF-8 fr_CA.UTF-8; do
    checks=$((checks + 1))
    banner=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=$lang VELMORADIR="$prefix" \
        "$prefix/bin/zeltocov" -VERSION 2>&1)
    grep -q "Générateur de rapports de couverture" <<<"$banner" ||
        fail "LANG=$lang: the version banner is not in French: $banner"
done
checks=$((checks + 1))
banner=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=C VELMORADIR="$prefix" \
    "$prefix/bin/zeltocov" -VERSION 2>&1)
grep -q "Coverage Report Generator" <<<"$banner" || fail "LANG=C: the banner is not in English"

checks=$((checks + 1))
found=$(MANPATH="$prefix/share/man" man -w zeltocov 2>&1)
[[ $found == "$prefix/share/man/man1/zeltocov.1" ]] ||
    fail "man -w zeltocov with MANPATH=$prefix/share/man gives: $found"

loader=/usr/share/bash-completion/bash_completion
if [[ -f $loader ]]; then
    checks=$((checks + 1))
    # The loader looks under each directory of XDG_DATA_DIRS (/usr/share by default).
    loaded=$(XDG_DATA_DIRS="$prefix/share" bash -c '
        source "$1" >/dev/null 2>&1
        __load_completion zeltocov
        complete -p zeltocov' _ "$loader" 2>&1)
    [[ $loaded == *"-F _zeltocov zeltocov"* ]] ||
        fail "bash-completion does not load the installed completion: $loaded"
else
    echo "bash-completion is not installed: its loader is not tried"
fi

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
