#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what an integrator gets:
# the libraries with their SONAME, headers, the tool with its manual page,
# and outside projects built against the package with CMake (C and C++) and
# with pkg-config, each billing the demo store.
#
#   install_test.sh BUILD_DIR WORK_DIR SOURCE_DIR CC CXX "EXTRA_FLAGS"
set -euo pipefail
build="$1" work="$2" source="$3" cc="$4" cxx="$5" flags="${6:-}"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"

fail() { echo "install test: $*" >&2; exit 1; }
expect_in() {  # TEXT WHAT OUTPUT
  grep -qF -- "$1" <<<"$3" || { echo "$3" >&2; fail "$2: no '$1' in the output above"; }
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

lib="$prefix/lib"
[ -d "$lib" ] || lib="$(dirname "$(find "$prefix" -name libconta.so -print -quit)")"
for f in "$lib/libconta.so" "$lib/libconta_support.so" "$lib/libconta_platform.so" \
         "$prefix/include/conta/conta.h" "$prefix/include/conta/variant.h" "$prefix/bin/conta" \
         "$prefix/share/man/man1/conta.1" "$lib/cmake/conta/contaConfig.cmake" \
         "$lib/cmake/conta/contaConfigVersion.cmake" "$lib/pkgconfig/conta.pc"; do
  [ -e "$f" ] || fail "$f was not installed"
done
for name in conta conta_support; do
  soname="$(objdump -p "$lib/lib$name.so" | awk '$1 == "SONAME" {print $2}')"
  [ "$soname" = "lib$name.so.0" ] || fail "lib$name.so has SONAME '$soname', not lib$name.so.0"
  [ -L "$lib/lib$name.so" ] && [ -L "$lib/lib$name.so.0" ] ||
    fail "lib$name.so and lib$name.so.0 are not links to the versioned file"
done
# Only the C interface, the package entry points and the module's own
# operations leave libconta.
leaked="$(nm -D --defined-only "$lib/libconta.so" | awk '{print $3}' |
          grep -vE '^(conta_|CalculaConta$|Initialize$|Finalize$|GetPackageInfoTable$|_ZN12Srv_Xol41260)' || true)"
[ -z "$leaked" ] || fail "libconta exports more than its interface: $(head -5 <<<"$leaked")"

# The installed tool runs from the prefix, finds its libraries, and bills.
version="$("$prefix/bin/conta" --version)"
expect_in "conta 0.1" "conta --version" "$version"
bill="$("$prefix/bin/conta" demo "$work/store")"
expect_in "481,45" "conta demo" "$bill"

export CFLAGS="$flags" CXXFLAGS="$flags"
if [ -n "$flags" ]; then
  # The sanitizers' runtime is in the consumers; Python-style leak reports of
  # the tool chain are not what this test is about.
  export ASAN_OPTIONS="detect_leaks=0"
fi

# CMake: find_package(conta) and the target conta::conta.
cmake -S "$source/examples/c" -B "$work/c-host" -DCMAKE_C_COMPILER="$cc" \
      -DCMAKE_PREFIX_PATH="$prefix" >"$work/c-host.log"
cmake --build "$work/c-host" >>"$work/c-host.log"
out="$("$work/c-host/conta_example_host" "$work/store")"
expect_in "481.45" "the C host built with CMake" "$out"

cmake -S "$source/tests/install/cxx_consumer" -B "$work/cxx" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_PREFIX_PATH="$prefix" >"$work/cxx.log"
cmake --build "$work/cxx" >>"$work/cxx.log"
out="$("$work/cxx/conta_cxx_consumer" "$work/store-cxx")"
expect_in "total 481.45" "the C++ host" "$out"
expect_in '"NRCOMANDA"' "the C++ host" "$out"

# pkg-config: the same C host from its flags alone, with the README's rpath
# from the package's libdir, run without LD_LIBRARY_PATH or ldconfig.
export PKG_CONFIG_PATH="$lib/pkgconfig"
pc_flags="$(pkg-config --cflags --libs conta)"
pc_libdir="$(pkg-config --variable=libdir conta)"
[ "$pc_libdir" -ef "$lib" ] || fail "pkg-config's libdir $pc_libdir is not $lib"
# shellcheck disable=SC2086
"$cc" $flags -o "$work/host-pc" "$source/examples/c/host.c" $pc_flags -Wl,-rpath,"$pc_libdir"
out="$(env -u LD_LIBRARY_PATH "$work/host-pc" "$work/store")"
expect_in "481.45" "the C host built with pkg-config" "$out"

echo "install test: installed into $prefix; the tool, a C host (CMake and pkg-config) and a C++"
echo "host built against it all bill the demo store"
