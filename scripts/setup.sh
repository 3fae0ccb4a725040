#!/usr/bin/env bash
# Installs the Debian packages the suite needs, when they are missing, and sets up
# git's view of the golden files.
#   scripts/setup.sh demo    what the programs and the tools need: compilers, CMake, Ninja,
#                            nlohmann-json, CLI11, simdjson, python3 (the wing panel's generator)
#   scripts/setup.sh build   the same and GoogleTest, Google Benchmark for the tests
#   scripts/setup.sh fuzz    clang with libFuzzer
#   scripts/setup.sh format  clang-format, for scripts/format-check.sh
#   scripts/setup.sh coverage  gcovr, for scripts/coverage.sh
#   scripts/setup.sh tidy    clang and clang-tidy, for scripts/tidy-check.sh
#   scripts/setup.sh windows what the programs need, MinGW-w64 cross compilers, GoogleTest
#                            sources to build for Windows, Wine to run the tests, and the
#                            locale ru_RU.CP1251 that gives Wine the shop floor's code page
set -euo pipefail
cd "$(dirname "$0")/.."

programs=(g++ cmake ninja-build nlohmann-json3-dev libcli11-dev libsimdjson-dev python3)
case "${1:-build}" in
  demo) wanted=("${programs[@]}") ;;
  build) wanted=("${programs[@]}" libgtest-dev libbenchmark-dev) ;;
  fuzz) wanted=(clang libclang-rt-dev) ;;
  format) wanted=(clang-format) ;;
  coverage) wanted=(gcovr) ;;
  tidy) wanted=(clang clang-tidy) ;;
  windows) wanted=("${programs[@]}" googletest g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64
             locales) ;;
  *) echo "usage: $0 demo|build|fuzz|format|coverage|tidy|windows" >&2; exit 2 ;;
esac

# git diff shows the Windows-1251 golden files in UTF-8 with their CRs (.gitattributes).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git config diff.golden-cp1251.textconv scripts/golden-textconv.sh 2>/dev/null ||
    echo "note: git diff of the golden files not set up (git config failed)" >&2
fi

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
# Wine takes its ANSI code page from the Unix locale: ru_RU.CP1251 gives 1251, as the
# engineers' Windows has it. Debian generates it from its line in /etc/locale.gen.
need_locale=false
if [ "${1:-build}" = windows ] && [ "$(LC_ALL=ru_RU.CP1251 locale charmap 2>/dev/null)" != CP1251 ]; then
  need_locale=true
fi
[ ${#missing[@]} -eq 0 ] && ! $need_locale && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "run as root or install: ${missing[*]} (and the locale ru_RU.CP1251)" >&2; exit 1; }
  sudo=sudo
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if $need_locale; then
  echo "generating the locale ru_RU.CP1251"
  $sudo sed -i 's/^# *\(ru_RU\.CP1251 CP1251\)$/\1/' /etc/locale.gen
  grep -q '^ru_RU\.CP1251 CP1251$' /etc/locale.gen || echo 'ru_RU.CP1251 CP1251' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
  [ "$(LC_ALL=ru_RU.CP1251 locale charmap 2>/dev/null)" = CP1251 ] ||
    { echo "setup.sh: the locale ru_RU.CP1251 could not be generated" >&2; exit 1; }
fi
