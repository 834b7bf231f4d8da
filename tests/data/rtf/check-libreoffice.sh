#!/bin/sh
# One-off check, not part of the test suite: does LibreOffice read what our
# writer writes with the same text and formatting?
#   tests/data/rtf/check-libreoffice.sh BUILD_DIR
# Reads every fixture, writes it with RtfWriter (through the fixtures test and
# KOLT_RTF_DUMP_DIR), converts our RTF with LibreOffice to text and to flat ODF,
# compares the text with our reader's and prints the formatting LibreOffice saw.
set -eu
build=${1:?usage: $0 BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
KOLT_RTF_DUMP_DIR="$work" QT_QPA_PLATFORM=offscreen \
  "$build/tests/toolkit/rtf/tst_rtffixtures" roundTrip >/dev/null
cd "$work"
soffice --headless --convert-to "txt:Text (encoded):UTF8" --outdir txt ./*.rtf >/dev/null 2>&1
soffice --headless --convert-to fodt --outdir fodt ./*.rtf >/dev/null 2>&1
status=0
for rtf in *.rtf; do
  name=${rtf%.rtf}
  # LibreOffice starts its text with a byte-order mark and writes list markers
  # as text; our reader keeps markers in the list, not in the text.
  sed -e '1s/^\xEF\xBB\xBF//' -e 's/^ *\(•\|[0-9]\+\.\) //' "txt/$name.txt" > "txt/$name.lo"
  if { cat "$rtf.txt"; echo; } | diff -u - "txt/$name.lo" >"txt/$name.diff"; then
    echo "same text: $rtf"
  else
    echo "DIFFERENT text: $rtf"; cat "txt/$name.diff"; status=1
  fi
  printf '  formatting seen by LibreOffice: '
  grep -o 'fo:font-weight="bold"\|fo:font-style="italic"\|style:text-underline-style="solid"\|style:text-line-through-style="solid"\|fo:color="#[0-9a-f]*"\|fo:background-color="#[0-9a-f]*"\|fo:text-align="[a-z]*"\|fo:margin-left="[0-9.]*in"\|text:list-level-style-[a-z]*' \
    "fodt/$name.fodt" | sort -u | tr '\n' ' '
  echo
done
exit $status
