#!/usr/bin/env bash
# Builds and runs benchmark programs of bench/ under Wine, niced (other work shares the machine), each with
# the load average before and after it. They print figures only.
# Usage: scripts/bench.sh [name ...]   (bench_tree bench_processing bench_pipeline bench_treeview bench_startup
# by default; a name may carry arguments after a colon, e.g. bench_treeview:97,100000)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
[ $# -gt 0 ] || set -- bench_tree bench_processing bench_pipeline bench_treeview bench_startup
targets=()
for spec in "$@"; do targets+=("${spec%%:*}"); done
cmake --build "$BUILD_DIR" -j 2 --target tavrello standin "${targets[@]}" >/dev/null
. "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start
cd "$BUILD_DIR/bin"
for spec in "$@"; do
    name="${spec%%:*}"
    args=()
    [ "$name" != "$spec" ] && IFS=, read -r -a args <<<"${spec#*:}"
    echo "== $name ${args[*]:-} (load before: $(cut -d' ' -f1-3 /proc/loadavg))"
    nice -n 10 wine "./$name.exe" "${args[@]}" </dev/null || echo "$name ended with $?"
    echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
done
