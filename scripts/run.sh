#!/usr/bin/env bash
# Builds Tarvena, installs it into its program folder (outside the source and build trees),
# puts an empty catalogue there when none exists yet, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run

prefix="${TARVENA_HOME:-$HOME/Tarvena}"
cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DKOLT_BUILD_TESTS=OFF -DKOLT_BUILD_BENCH=OFF
cmake --build build-app
cmake --install build-app   # never replaces an existing koltDB.mdb

# A menu entry for the desktop.
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed -e "s|@PROGRAM_FOLDER@|$prefix|g" "$prefix/tarvena.desktop.in" > "$apps/tarvena.desktop"

exec "$prefix/kolt"
