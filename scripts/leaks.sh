#!/usr/bin/env bash
# Bills a few hundred times in one process under valgrind's leak check
# (release build, SQLite store in memory) and fails on memory definitely
# lost, or on any invalid read or write valgrind finds on the way.
# CONTA_LEAKS_BILLS sets the number of bills (300).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_LEAKS_BUILD_DIR:-$root/build-rel}"

"$root/scripts/install-deps.sh"
if ! command -v valgrind >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "leaks: installing valgrind" >&2
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    $sudo apt-get install -y -qq --no-install-recommends valgrind >/dev/null
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONTA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target conta_reliability_tests

log="$build/leaks.log"
start=$(date +%s)
status=0
CONTA_TEST_BILLS="${CONTA_LEAKS_BILLS:-300}" \
  valgrind --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
           --error-exitcode=33 --num-callers=40 --log-file="$log" \
           "$build/tests/reliability/conta_reliability_tests" \
           --gtest_filter='ResourcesTest.*' || status=$?
echo "leaks: ran in $(( $(date +%s) - start )) s" >&2
grep -E "definitely lost|ERROR SUMMARY" "$log" >&2 || true
if [ "$status" -ne 0 ]; then
  echo "leaks: failed with status $status (valgrind's report: $log)" >&2
fi
exit "$status"
