#!/usr/bin/env bash
# Installs what is missing (as root through apt-get; otherwise prints the
# apt-get line), then configures and builds into build/.
#   --program-only  builds the executable alone (the first start); tests and
#                   benchmarks are left for scripts/test.sh
#   --with-tests    also what only the tests need (PostgreSQL, openpyxl, pdftotext)
#   --desktop       also what opens the results on a desktop (scripts/desktop-packages.txt)
# A line "a|b" of a list is satisfied by either package; the first is installed
# unless another line of the lists asks for one of the others by name.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

lists=(scripts/packages.txt)
target=()
for arg in "$@"; do
  case "$arg" in
  --with-tests) lists+=(scripts/test-packages.txt) ;;
  --desktop) lists+=(scripts/desktop-packages.txt) ;;
  --program-only) target=(--target tavro) ;;
  *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
mapfile -t wanted < <(cat "${lists[@]}" | grep -v '^#' | sed '/^$/d')
missing=()
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for line in "${wanted[@]}"; do
  IFS='|' read -ra alternatives <<<"$line"
  satisfied=no
  for p in "${alternatives[@]}"; do
    installed "$p" && satisfied=yes
    [ ${#alternatives[@]} -gt 1 ] && printf '%s\n' "${wanted[@]}" | grep -qxF "$p" && satisfied=yes
  done
  [ $satisfied = yes ] || missing+=("${alternatives[0]}")
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
