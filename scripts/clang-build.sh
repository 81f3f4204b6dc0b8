#!/usr/bin/env bash
# Builds the library, the tool and the package host with Clang, with no
# sanitizer:
# - Clang's -Wthread-safety checks that the data module's state is touched
#   only with the module lock held (warnings are errors);
# - the package host then loads, bills and unloads the library a thousand
#   times in one process and checks that its open files and live memory
#   stay flat (the sanitizer builds check the files and leaks; their
#   runtimes' own records grow with every load).
# Exit status 0 only when both pass.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_CLANG_BUILD_DIR:-$root/build-clang}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONTA_BUILD_TESTS=ON -DCONTA_BUILD_BENCH=OFF \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target conta conta_cli package_host_test
echo "clang-build: the thread-safety analysis found nothing"

lives="$(mktemp -d)"
trap 'rm -rf "$lives"' EXIT
"$build/tests/package_host_test" "$build/src/lib/libconta.so" "$lives" 1000
