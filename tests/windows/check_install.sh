#!/usr/bin/env bash
# The install folder is what an engineer copies: a DLL for each tool of
# cmake/tool_names.cmake, fpdf_check.exe and fpdf_diff.exe, the dialog files and
# README-install.txt, nothing else.
set -u
build=$1 dialogs=$2
tools=$(cmake -P "$(dirname "$0")/../../cmake/print_tool_names.cmake") && [ -n "$tools" ] ||
  { echo "cannot read the tool list"; exit 1; }
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
cmake --install "$build" --prefix "$dest" >/dev/null || { echo "cmake --install failed"; exit 1; }
programs="fpdf_check.exe fpdf_diff.exe"
want=$( (printf '%s.dll\n' $tools; printf '%s\n' $programs; ls "$dialogs"; echo README-install.txt) | sort)
got=$(cd "$dest" && find . -mindepth 1 | sed 's|^\./||' | sort)
if [ "$got" != "$want" ]; then
  echo "install folder holds:"; echo "$got"; echo "expected:"; echo "$want"
  exit 1
fi
for f in $(ls "$dialogs"); do
  cmp -s "$dialogs/$f" "$dest/$f" || { echo "$f differs from dialogs/$f"; exit 1; }
done
echo "install folder: $(wc -w <<<"$tools") DLLs, $programs, $(ls "$dialogs" | wc -l) dialog files, README-install.txt"
