#!/usr/bin/env bash
# Builds the Debian package from an already configured build folder, unpacks it
# into a throw-away root (dpkg -x, no installation), validates the menu entry and
# runs a check with the unpacked executable as the unprivileged user nobody, whose
# executable folder is not writable: check.txt must then land in that user's own
# program folder, ~/.local/share/tavro.
#   scripts/package_check.sh [BUILD_DIR]     (default build/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)

command -v desktop-file-validate >/dev/null || {
  echo "package check: desktop-file-validate is missing (Debian package desktop-file-utils)" >&2
  exit 1
}
[ "$(id -u)" = 0 ] || { echo "package check: runs as root (it switches to the user nobody)" >&2; exit 1; }

work=$(mktemp -d /tmp/tavro-package-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

# The executable alone is enough for the package; CI has built everything already.
cmake --build "$build" --target tavro >/dev/null
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/tavro_*.deb)
echo "package check: built $(basename "$deb")"

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/tavro usr/share/tavro/Template.xlsx usr/share/applications/tavro.desktop \
  usr/share/icons/hicolor/scalable/apps/tavro.svg; do
  [ -e "$root/$f" ] || { echo "package check: /$f is not in the package" >&2; exit 1; }
done
if find "$root" -name 'tst_*' -o -name 'bench_*' | grep -q .; then
  echo "package check: tests or benchmarks are in the package" >&2
  exit 1
fi
desktop-file-validate "$root/usr/share/applications/tavro.desktop"

# A database the check can count: the template table Init2 and one class table.
mkdir -m 755 "$work/data"
python3 - "$work/data/tavro.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("create table Init2 (姓名 TEXT, 身份证件号 TEXT)")
db.execute("create table Init1 (姓名 TEXT, 身份证件号 TEXT)")
db.execute("create table 高一01 (姓名 TEXT, 身份证件号 TEXT)")
db.executemany("insert into 高一01 values (?, ?)", [("张三", "1"), ("李四", "2")])
db.commit()
PY
chmod 644 "$work/data/tavro.db"

home="$work/home"
mkdir -m 700 "$home"
chown nobody:nogroup "$home"
# A clean environment: no XDG_DATA_HOME, system libraries only.
if ! runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/tavro" check 录入数目 --db "$work/data/tavro.db"; then
  echo "package check: the check run by nobody with the unpacked executable failed (lines above)" >&2
  exit 1
fi
if [ ! -s "$home/.local/share/tavro/check.txt" ]; then
  echo "package check: check.txt is not in ~/.local/share/tavro of the user who ran the check" >&2
  find "$home" "$root/usr/bin" "$work/data" -newer "$deb" -type f >&2 || true
  exit 1
fi
echo "package check: passed"
