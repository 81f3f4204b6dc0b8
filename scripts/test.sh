#!/usr/bin/env bash
# Builds conta with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test, against SQLite, a throwaway PostgreSQL server (pg_virtualenv)
# and both through ODBC; then cross-builds the Windows DLL and tool and tests
# them under Wine (scripts/windows-test.sh; CONTA_SKIP_WINDOWS=1 leaves that
# out), runs the commands the README shows (scripts/readme-commands.sh),
# builds the library with Clang to check its locking and its unloads
# (scripts/clang-build.sh), and runs the thread tests under ThreadSanitizer
# (scripts/tsan.sh; CONTA_SKIP_TSAN=1 leaves that out). Exit status 0 only
# when all tests pass.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_TEST_BUILD_DIR:-$root/build-test}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCONTA_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export CONTA_TEST_ODBC_SQLITE="DRIVER={SQLite3};"
export CONTA_CTEST="ctest --test-dir $build --output-on-failure -j$(nproc)"

# pg_virtualenv makes a PostgreSQL cluster, sets PGHOST, PGPORT, PGUSER,
# PGPASSWORD and PGDATABASE for the command, and drops the cluster after it.
pg_virtualenv -t -o fsync=off bash -c '
  export CONTA_TEST_POSTGRESQL="host=$PGHOST port=$PGPORT dbname=$PGDATABASE user=$PGUSER"
  export CONTA_TEST_ODBC_POSTGRESQL="DRIVER={PostgreSQL Unicode};SERVER=$PGHOST;PORT=$PGPORT;DATABASE=$PGDATABASE;UID=$PGUSER;PWD=$PGPASSWORD;"
  $CONTA_CTEST'

# The commands README.md and docs/*.md show, run against this build.
"$root/scripts/readme-commands.sh" --build "$build"

# The library built with Clang: its thread-safety analysis of the module
# lock, and a thousand loads and unloads with flat open files and memory.
"$root/scripts/clang-build.sh"
# The README's main job, scripts/run.sh, on the tree the Clang build made.
CONTA_BUILD_DIR="${CONTA_CLANG_BUILD_DIR:-$root/build-clang}" "$root/scripts/run.sh" >/dev/null

if [ "${CONTA_SKIP_WINDOWS:-}" != "1" ]; then
  "$root/scripts/windows-test.sh" --linux-cli "$build/tools/conta/conta"
fi

# The library and the tests that bill through it under ThreadSanitizer, in a
# build of their own (CONTA_SKIP_TSAN=1 leaves it out).
if [ "${CONTA_SKIP_TSAN:-}" != "1" ]; then
  "$root/scripts/tsan.sh"
fi
