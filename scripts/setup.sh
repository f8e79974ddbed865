#!/usr/bin/env bash
# Installs what is missing (as root through apt-get; otherwise prints the
# apt-get line), then configures and builds into build/.
#   --program-only  builds the executable alone (the first start); tests and
#                   benchmarks are left for scripts/test.sh
#   --with-tests    also what only the tests need (PostgreSQL, openpyxl, pdftotext)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

lists=(scripts/packages.txt)
target=()
for arg in "$@"; do
  case "$arg" in
  --with-tests) lists+=(scripts/test-packages.txt) ;;
  --program-only) target=(--target tavro) ;;
  *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
mapfile -t wanted < <(cat "${lists[@]}" | grep -v '^#' | sed '/^$/d')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Missing packages; run as root:" >&2
    echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" "${target[@]}"
