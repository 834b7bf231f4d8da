#!/bin/sh
# Regenerates the RTF fixtures from the hand-written sources in sources/.
# Needs Debian's LibreOffice (libreoffice-writer-nogui) and pandoc.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$here/sources"
# LibreOffice picks its import filter from the file type; HTML needs the Writer one named.
for f in formatting languages table lists; do
  soffice --headless --infilter="HTML (StarWriter)" --convert-to "rtf:Rich Text Format" --outdir "$out" "$f.html" >/dev/null
  cp "$out/$f.rtf" "$here/lo-$f.rtf"
done
soffice --headless --convert-to "rtf:Rich Text Format" --outdir "$out" tabs.fodt >/dev/null
cp "$out/tabs.rtf" "$here/lo-tabs.rtf"
# The same formatting document through Word's format first, then to RTF.
soffice --headless --infilter="HTML (StarWriter)" --convert-to "docx:MS Word 2007 XML" --outdir "$out" formatting.html >/dev/null
soffice --headless --convert-to "rtf:Rich Text Format" --outdir "$out/docx" "$out/formatting.docx" >/dev/null
cp "$out/docx/formatting.rtf" "$here/lo-docx-formatting.rtf"
pandoc -s pandoc.md -o "$here/pandoc.rtf"
