#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says (Debian 12's
# clang-format 14). To format a file: clang-format -i FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
