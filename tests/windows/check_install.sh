#!/usr/bin/env bash
# The install folder is what an engineer copies: the nine DLLs, the dialog files and
# README-install.txt, nothing else.
set -u
build=$1 dialogs=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
cmake --install "$build" --prefix "$dest" >/dev/null || { echo "cmake --install failed"; exit 1; }
want=$( (printf '%s.dll\n' fpdf_export route_check route_walk route_create rivet_transfer flat_assembly \
          rivet_mark rivet_group_attr rivet_attr_inspect; ls "$dialogs"; echo README-install.txt) | sort)
got=$(cd "$dest" && find . -mindepth 1 | sed 's|^\./||' | sort)
if [ "$got" != "$want" ]; then
  echo "install folder holds:"; echo "$got"; echo "expected:"; echo "$want"
  exit 1
fi
for f in $(ls "$dialogs"); do
  cmp -s "$dialogs/$f" "$dest/$f" || { echo "$f differs from dialogs/$f"; exit 1; }
done
echo "install folder: 9 DLLs, $(ls "$dialogs" | wc -l) dialog files, README-install.txt"
