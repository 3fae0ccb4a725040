#!/usr/bin/env bash
# Checks that the C and C++ sources are laid out as .clang-format says; changes nothing.
# With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh format
mode=(--dry-run -Werror)
[ "${1:-}" = --fix ] && mode=(-i)
git ls-files -z '*.c' '*.cpp' '*.h' '*.hpp' | xargs -0 clang-format --style=file "${mode[@]}"
