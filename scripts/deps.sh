#!/usr/bin/env bash
# Installs the Debian 12 packages Tarvena needs that are not on the machine yet.
#   deps.sh run   - what building and running the program needs
#   deps.sh test  - that, plus what the test suite needs
set -euo pipefail

packages=(
  build-essential   # the C++ compiler (g++ 12) and its sanitizer runtimes
  cmake             # the build description
  ninja-build       # the build tool
  pkg-config
  qt6-base-dev      # Qt 6 Widgets, PrintSupport, Network (local sockets) and Test
  libqt6svg6        # draws the program's SVG icons and pictures
  qt6-svg-dev       # QSvgGenerator: the statistics window saves its charts as SVG
  qt6-charts-dev    # Qt Charts: the statistics window's charts
  libqt6opengl6-dev # Qt OpenGL's build files, which Qt Charts' build files ask for
  libsqlite3-dev    # the catalogue's database engine
  qt6-image-formats-plugins # reads WebP pictures (JPEG, PNG, GIF and BMP are in Qt itself)
  libquazip1-qt6-dev # QuaZip: reads and writes the zipped collection files of Tellico (import/export)
  fonts-liberation2 # Liberation Sans: Arial's metrics for the reports
)
if [[ "${1:-run}" == "test" ]]; then
  packages+=(
    libbenchmark-dev # the benchmarks under bench/ are built with the tests
    poppler-utils    # pdftotext and pdfinfo: the report tests read the PDF files they print
    clang-format     # the test command checks that the code is formatted as .clang-format says
    git              # lists the files the formatting check reads
    xauth            # only used by the optional screenshot checks (xvfb-run)
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "Please install as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
