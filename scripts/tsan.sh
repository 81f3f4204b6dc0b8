#!/usr/bin/env bash
# Builds the library and the tests that bill through it with ThreadSanitizer
# (gcc) and runs, against SQLite, a throwaway PostgreSQL server (pg_virtualenv)
# and both through ODBC: the eight-thread bill test, the C interface tests
# (a C host that bills, a host that loads and unloads the library, the
# exported surface), the store history billed through the C interface, host
# processes billing one store at once, and the service frame, store data and
# bill suites. Exit status 0 only when
# every test passes and ThreadSanitizer reported nothing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_TSAN_BUILD_DIR:-$root/build-tsan}"

"$root/scripts/install-deps.sh"
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONTA_BUILD_BENCH=OFF \
      -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
      -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
      -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build" -j"$(nproc)" --target conta conta_reliability_tests c_bill_test \
      package_host_test conta_library_tests conta_history_tests conta_module_tests

# Every report counts: the run goes on to show them all, and a process that
# reported anything exits with 66.
export TSAN_OPTIONS="halt_on_error=0 exitcode=66 second_deadlock_stack=1"
export CONTA_TEST_ODBC_SQLITE="DRIVER={SQLite3};"
log="$build/tsan-tests.log"
# Every test of the executables built above but two that are not about
# threads and take long under the sanitizer (the ten thousand bills and the
# server restarts), and the tests of what this build does not make: the
# installed package and the example hosts (a Python process cannot load the
# ThreadSanitizer runtime after it started).
export CONTA_CTEST="ctest --test-dir $build --output-on-failure -j$(nproc) \
  -E NOT_BUILT|ResourcesTest|LostServerTest|^Install[.]|^Examples[.]"
start=$(date +%s)
status=0
pg_virtualenv -t -o fsync=off bash -c '
  export CONTA_TEST_POSTGRESQL="host=$PGHOST port=$PGPORT dbname=$PGDATABASE user=$PGUSER"
  export CONTA_TEST_ODBC_POSTGRESQL="DRIVER={PostgreSQL Unicode};SERVER=$PGHOST;PORT=$PGPORT;DATABASE=$PGDATABASE;UID=$PGUSER;PWD=$PGPASSWORD;"
  $CONTA_CTEST' 2>&1 | tee "$log" || status=$?
echo "tsan: tests ran in $(( $(date +%s) - start )) s" >&2
if grep -q "WARNING: ThreadSanitizer" "$log"; then
  echo "tsan: ThreadSanitizer reported (see $log)" >&2
  exit 1
fi
exit "$status"
