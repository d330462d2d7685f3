#!/usr/bin/env bash
# The line numbers of a file page as a browser shows them: the page of a source of
# 1,200 lines (three chunks of 500 lines, each laid out only when it is on the
# screen) is printed to PDF by headless Chromium and read back with pdftotext.
# Every line must show its own number beside its own text, on plain lines and on
# lines that carry items, at the first and last lines of each chunk above all.
# Exits 77 (skipped) where Chromium or pdftotext is not installed.
# Usage: html_line_numbers_test.sh <zeltocov binary>
set -uo pipefail
binary=$1
lines=1200

browser=$(command -v chromium || command -v chromium-browser || true)
if [[ -z "$browser" ]] || ! command -v pdftotext >/dev/null; then
    echo "SKIP: Chromium and pdftotext (Debian packages chromium and poppler-utils, installed" \
        "by scripts/install-deps.sh) are needed to read the rendered line numbers"
    exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale" "$tmp/work"
cd "$tmp/work" || exit 1

# Line n reads "text_of_line_n();".
awk -v n=$lines 'BEGIN { for (i = 1; i <= n; ++i) printf "  text_of_line_%d();\n", i }' >long.c
# Items at the first and last lines of the chunks and a few between: the blocks of
# the odd positions are hit.
item_lines=(1 2 3 250 499 500 501 502 999 1000 1001 1002 1199 1200)
{
    echo 'VE 3.0e T'
    echo 'FC "long.c" "."'
    echo 'FD 0'
    echo 'TC PR BS'
    echo "PR 0 proc \"f\" 1 $lines"
    for i in "${!item_lines[@]}"; do
        echo "BL $i simple \"f\" b$i ${item_lines[$i]} ${item_lines[$i]}"
    done
    echo 'DC 1409286145 1'
} >long.fdc
{
    printf 'NT "t" 1 1\nFT 1\nDC 1\nTP 0\n'
    for ((i = 1; i < ${#item_lines[@]}; i += 2)); do printf 'TB %x\n' "$i"; done
} >long.tio

if ! env -u ZELTOCOV_LAN -u ZELTO_TPM_ROOT -u ZELTO_TPM_USER VELMORADIR="$tmp/velmora" \
    SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C "$binary" long.fdc long.tio -OUTPUT=report.txt \
    -HTML=site 2>stderr.txt; then
    echo "FAIL: zeltocov ended with an error:"
    cat stderr.txt
    exit 1
fi
page=$tmp/work/site/1-long.c.html
if [[ ! -f "$page" ]]; then
    echo "FAIL: no page $page"
    exit 1
fi

mkdir "$tmp/profile"
"$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$tmp/profile" --no-pdf-header-footer --print-to-pdf="$tmp/page.pdf" \
    "file://$page" >"$tmp/browser.log" 2>&1
if [[ ! -s "$tmp/page.pdf" ]]; then
    echo "FAIL: Chromium printed no PDF:"
    tail -20 "$tmp/browser.log"
    exit 1
fi
pdftotext -layout "$tmp/page.pdf" "$tmp/page.txt"

# Each printed source line: the number shown, then the text with its own number.
awk -v n=$lines -v items="${item_lines[*]}" '
    BEGIN { split(items, list, " "); for (i in list) item[list[i]] = 1 }
    # A page break is a form feed before the first line of a page.
    { sub(/^\f/, "") }
    match($0, /^[ \t]*[0-9]+[ \t]+text_of_line_[0-9]+\(\);/) {
        split(substr($0, RSTART, RLENGTH), words, /[ \t_(]+/)
        # words: the number shown, "text", "of", "line", the number of the text.
        shown = words[1] == "" ? words[2] : words[1]
        own = $0; sub(/.*text_of_line_/, "", own); sub(/\(.*/, "", own)
        if (!(own in seen)) ++distinct
        ++seen[own]
        if (shown != own) {
            ++wrong
            if (wrong <= 20) printf "FAIL: line %d is shown as line %s%s\n", own, shown,
                (own in item) ? " (a line with items)" : ""
        }
    }
    END {
        missing = 0
        for (i = 1; i <= n; ++i) if (seen[i] != 1) { ++missing; if (missing <= 10)
            printf "FAIL: line %d printed %d times\n", i, seen[i] }
        printf "%d lines read back, %d with a wrong number, %d missing or repeated\n",
            distinct, wrong, missing
        exit (wrong || missing) ? 1 : 0
    }' "$tmp/page.txt"
