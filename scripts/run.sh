#!/usr/bin/env bash
# Sets up, builds the program alone and starts it on the local database file data/tavro.db.
# The tests and benchmarks are built by scripts/test.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$top/build/tavro" ]; then
  echo "tavro: installing what is missing, then building the program (about 2 minutes once the packages are there; the tests are built by scripts/test.sh) ..."
else
  echo "tavro: bringing the program up to date ..."
fi
# The build's own lines go to a log that is shown only when something fails.
log=$(mktemp "${TMPDIR:-/tmp}/tavro-build.XXXXXX")
if ! "$top/scripts/setup.sh" --program-only --desktop >"$log" 2>&1; then
  cat "$log" >&2
  echo "tavro: the build failed; the lines above say why (also in $log)" >&2
  exit 1
fi
rm -f "$log"
mkdir -p "$top/data"
cd "$top/data"
exec "$top/build/tavro" -access "$@"
