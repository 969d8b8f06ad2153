#!/usr/bin/env bash
# Writes golden/ole.txt and golden/xml.txt: the case tables built with mingw-w64 against the
# Windows SDK and run under Wine, whose OLE Automation and DOM stand in for Windows'. Needs
# the Debian packages wine, wine64 and g++-mingw-w64-x86-64; the tests compare against the
# files it writes, so it is run again only when a table changes. Where the reference is known
# to answer otherwise than Windows, golden/*-accepted.txt says what we answer and why.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

x86_64-w64-mingw32-g++ -std=c++20 -O1 -I"$here" \
  "$here"/CaseFormat.cpp "$here"/OleCases.cpp "$here"/XmlCases.cpp "$here"/olecheck.cpp \
  -o "$work/olecheck.exe" -static -lole32 -loleaut32 -luuid

# A fresh prefix, no downloads, and the C locale, whose number characters the tables use.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
wineboot -i >/dev/null 2>&1
version=$(wine --version)
for table in ole xml; do
  {
    echo "# The $table case table as $version answers it (tools/olecheck/generate-golden.sh)."
    wine "$work/olecheck.exe" "$table" | tr -d '\r'
  } >"$here/golden/$table.txt"
done
