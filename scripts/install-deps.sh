#!/usr/bin/env bash
# Installs, with apt-get, the Debian 12 packages needed to build and test zeltocov,
# and only those that are missing. Extra package names may be given as arguments.
set -euo pipefail

packages=(
  cmake
  g++
  ninja-build
  qt6-base-dev        # Qt6 Core
  qt6-tools-dev       # Qt6LinguistTools for CMake
  qt6-l10n-tools      # lrelease
  qt6-tools-dev-tools
  libmimalloc-dev     # the program's allocator (faster loading and freeing of large models)
  libgtest-dev
  libgmock-dev
  clang-format        # the format check of the sources
  clang-tidy          # the checks of .clang-tidy over src/
  groff-base          # the manual page check (groff -ww)
  man-db              # man -l, man -w in the manual page checks
  bash-completion     # its loader, in the check of the installed tree
  libxml2-utils       # xmllint: the -XML output checked against the Cobertura DTD
  python3-jsonschema  # the -JSON output checked against its shipped JSON Schema
  python3-html5lib    # the -HTML pages parsed as the HTML5 standard parses, errors fatal
  tidy                # the -HTML pages checked for what html5lib lets pass (empty elements, attributes)
  chromium            # the -HTML pages opened in a headless browser (its test is skipped without it)
  poppler-utils       # pdftotext: the -HTML line numbers read back from a page Chromium printed
  strace              # runs stopped at a chosen system call, in the check of interrupted runs
  diff-cover          # reads the -XML output of a change in a git repository (its check is skipped without it)
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
run_as_root=()
if [[ $(id -u) -ne 0 ]]; then
  run_as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update
"${run_as_root[@]}" apt-get install -y "${missing[@]}" </dev/null
