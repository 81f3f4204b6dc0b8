#!/usr/bin/env bash
# Builds conta (release) and runs the main job: creates the demo store (an
# SQLite database and the store's parameter files) and bills its joined
# tables, printing the bill.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONTA_BUILD_TESTS=OFF \
      -DCONTA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target conta_cli -j"$(nproc)" >/dev/null
"$build/tools/conta/conta" demo "$build/demo-store"
