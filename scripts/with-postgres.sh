#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL cluster on a Unix socket in a temporary
# folder, exported to it as KESTRIVO_TEST_PGHOST / KESTRIVO_TEST_PGPORT; the cluster is
# stopped and removed afterwards, whatever the command's outcome.
#
# Tests want speed, so the cluster skips flushing to disk. With --durable it keeps the
# server's default durability (fsync, synchronous_commit and full-page writes on), as a real
# server does: benchmarks measure on that.
set -euo pipefail
durability="-c fsync=off -c full_page_writes=off"
if [ "${1:-}" = "--durable" ]; then
    durability=""
    shift
fi
bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
dir=$(mktemp -d /tmp/kestrivo-pg.XXXXXX)
chmod 755 "$dir"
user=postgres
if [ "$(id -u)" -ne 0 ]; then user=$(id -un); fi
as_user() { if [ "$(id -u)" -eq 0 ]; then (cd "$dir" && runuser -u postgres -- "$@"); else (cd "$dir" && "$@"); fi; }
chown "$user" "$dir"
# A port of its own, so that several runs on one machine never meet.
port=${KESTRIVO_TEST_PGPORT:-$((54000 + RANDOM % 1000))}
cleanup() {
    as_user "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
# UTF-8 whatever the caller's locale, as a catalog server is: names sort the same everywhere.
as_user "$bindir/initdb" -D "$dir/data" -A trust -U "$user" -E UTF8 --locale=C.UTF-8 >/dev/null
as_user "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-k $dir -c listen_addresses='' -p $port $durability" start >/dev/null
me=$(id -un)
if [ "$me" != "$user" ]; then
    as_user "$bindir/psql" -h "$dir" -p "$port" -U "$user" -d postgres -qc "CREATE ROLE \"$me\" SUPERUSER LOGIN" >/dev/null
fi
export KESTRIVO_TEST_PGHOST="$dir" KESTRIVO_TEST_PGPORT="$port"
"$@"
