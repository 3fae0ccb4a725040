#!/usr/bin/env bash
# Installs the Debian packages the suite needs, when they are missing.
#   scripts/setup.sh build   compilers, CMake, Ninja, nlohmann-json, GoogleTest, Google Benchmark
#   scripts/setup.sh fuzz    clang with libFuzzer
#   scripts/setup.sh format  clang-format, for scripts/format-check.sh
#   scripts/setup.sh tidy    clang and clang-tidy, for scripts/tidy-check.sh
set -euo pipefail

case "${1:-build}" in
  build) wanted=(g++ cmake ninja-build nlohmann-json3-dev libgtest-dev libbenchmark-dev) ;;
  fuzz) wanted=(clang libclang-rt-dev) ;;
  format) wanted=(clang-format) ;;
  tidy) wanted=(clang clang-tidy) ;;
  *) echo "usage: $0 build|fuzz|format|tidy" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "run as root or install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
