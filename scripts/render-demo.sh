#!/usr/bin/env bash
# Renders the demo workbook with LibreOffice headless for the README. Notes
# are saved hidden (shown when the pointer rests on the cell), so a copy with
# every note made visible is rendered instead.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${1:-build/release/src/cli/quillette}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$exe" demo -o "$work/demo.xlsx" >/dev/null
mkdir "$work/x"
(cd "$work/x" && unzip -q ../demo.xlsx &&
  sed -i 's/visibility:hidden/visibility:visible/g; s|<x:ClientData ObjectType="Note">|<x:ClientData ObjectType="Note"><x:Visible/>|g' xl/drawings/vmlDrawing*.vml &&
  zip -q -X -r ../shown.xlsx '[Content_Types].xml' _rels docProps xl 2>/dev/null || zip -q -X -r ../shown.xlsx .)
(cd "$work" && soffice --headless --convert-to pdf shown.xlsx >/dev/null 2>&1)
pdftoppm -png -r 80 -singlefile "$work/shown.pdf" docs/demo
echo "docs/demo.png"
