#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests, in a temporary folder, listening
# on a free loopback port only.
#   scripts/pg_test_cluster.sh start   prints export lines: TAVRO_TEST_PG
#                                      (host:port/database/user/password) and
#                                      TAVRO_PG_CLUSTER (the folder)
#   scripts/pg_test_cluster.sh stop DIR
# As root the server runs as the user postgres (PostgreSQL refuses root).
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "PostgreSQL server binaries not found (Debian package postgresql)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    "$@"
  fi
}

case "${1:-}" in
start)
  owner=$(id -un)
  if [ "$(id -u)" = 0 ]; then
    owner=postgres
    id "$owner" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$owner"
  fi
  dir=$(mktemp -d /tmp/tavro-pg.XXXXXX)
  password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
  printf '%s\n' "$password" >"$dir/pw"
  chmod 600 "$dir/pw"
  [ "$(id -u)" = 0 ] && chown -R "$owner" "$dir"
  as_owner "$bindir/initdb" -D "$dir/data" -U tavro --pwfile="$dir/pw" --auth=scram-sha-256 \
    --encoding=UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
  rm -f "$dir/pw"
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    port=$((20000 + RANDOM % 30000))
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
      -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c fsync=off -c max_connections=200" \
      start >/dev/null 2>&1; then
      echo "export TAVRO_PG_CLUSTER=$dir"
      echo "export TAVRO_TEST_PG=127.0.0.1:$port/postgres/tavro/$password"
      exit 0
    fi
  done
  cat "$dir/server.log" >&2 || true
  echo "the test cluster did not start" >&2
  exit 1
  ;;
stop)
  dir=${2:?folder of the cluster}
  owner=$(stat -c %U "$dir/data")
  as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start | stop DIR" >&2
  exit 2
  ;;
esac
