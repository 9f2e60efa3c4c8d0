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
    read -r -a cpu_before < <(grep '^cpu ' /proc/stat)
    nice -n 10 wine "./$name.exe" "${args[@]}" </dev/null || echo "$name ended with $?"
    read -r -a cpu_after < <(grep '^cpu ' /proc/stat)
    # On a virtual machine the host may take processor time away (steal): figures that need both
    # processors at once suffer most from it.
    total=0
    for i in 1 2 3 4 5 6 7 8; do total=$((total + cpu_after[i] - cpu_before[i])); done
    steal=$((cpu_after[8] - cpu_before[8]))
    echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg); stolen by the host: $((total > 0 ? 100 * steal / total : 0))% of processor time"
done
