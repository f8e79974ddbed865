#!/usr/bin/env bash
# Sets up, builds and starts the program on the local database file data/tavro.db.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
mkdir -p "$top/data"
cd "$top/data"
exec "$top/build/tavro" -access "$@"
