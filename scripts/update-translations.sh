#!/usr/bin/env bash
# Brings the message catalogs up to date with the sources: every translatable text
# of src/ is extracted, new texts are added as unfinished, texts the sources no
# longer have are dropped, and the translations already made are kept. Run it after
# adding or changing a message, then translate what it reports as new (Qt Linguist,
# or any editor: the catalogs are UTF-8 XML). The test FrenchCatalog.* in ctest fails
# as long as a text is unfinished.
#
# Usage: scripts/update-translations.sh [catalog.ts ...]   (default: translations/*.ts)
# LUPDATE may name the lupdate program (default: lupdate on PATH, or Qt 6's own).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

lupdate=${LUPDATE:-}
if [[ -z "$lupdate" ]]; then
  for candidate in lupdate-qt6 /usr/lib/qt6/bin/lupdate lupdate; do
    if command -v "$candidate" >/dev/null 2>&1; then
      lupdate=$(command -v "$candidate")
      break
    fi
  done
fi
if [[ -z "$lupdate" ]]; then
  echo "update-translations: lupdate not found (Debian package qt6-l10n-tools)" >&2
  exit 1
fi

catalogs=("$@")
if ((${#catalogs[@]} == 0)); then
  catalogs=("$root"/translations/*.ts)
fi

# The program translates with tr(context, text, comment), the argument order of
# QCoreApplication::translate: the alias makes lupdate read every tr call that way
# (there is no QObject::tr in the sources). Texts kept in tables are marked where they
# are written with QT_TRANSLATE_NOOP(context, text). Locations are left out so that
# moving code does not touch the catalogs.
"$lupdate" -locations none -no-obsolete \
  -tr-function-alias tr=qobjectTrIsNotUsed,translate+=tr \
  "$root/src" -ts "${catalogs[@]}"
