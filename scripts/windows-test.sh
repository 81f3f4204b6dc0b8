#!/usr/bin/env bash
# Cross-builds the Windows DLL and tool with mingw-w64 and tests them under
# Wine, in a fresh Wine prefix with no display:
#   - conta.dll's export table lists CalculaConta, the package entry points
#     and the C interface;
#   - the Windows tests (tests/windows): the C interface billing the demo
#     store, and a host that loads, bills and frees the DLL twice;
#   - `conta.exe demo` prints the same bill as the Linux tool;
#   - `conta.exe calcula` through ODBC (Wine's odbc32 hands the calls to
#     this machine's unixODBC and its SQLite driver) prints the same bill as
#     the Linux tool on a copy of the same store.
#
#   scripts/windows-test.sh [--linux-cli PATH] [--build DIR]
#
# --linux-cli: the Linux conta tool to compare with (default: built in
# build-linux-cli). Exit status 0 only when every check passes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-windows"
linux_cli=""
while [ $# -gt 0 ]; do
  case "$1" in
    --linux-cli) linux_cli="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "windows-test: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-deps.sh"
deps="$("$root/scripts/windows-deps.sh" | tail -1)"
if [ -z "$linux_cli" ]; then
  # A Linux build of the tool alone, in a folder of its own.
  cmake -S "$root" -B "$root/build-linux-cli" -DCONTA_BUILD_TESTS=OFF -DCONTA_BUILD_BENCH=OFF \
        >/dev/null
  cmake --build "$root/build-linux-cli" -j"$(nproc)" --target conta_cli >/dev/null
  linux_cli="$root/build-linux-cli/tools/conta/conta"
fi

echo "windows-test: building in $build" >&2
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCONTA_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" -j"$(nproc)"
dll="$build/bin/conta.dll"
exe="$build/bin/conta.exe"

failures=0
fail() { echo "windows-test: FAILED: $*" >&2; failures=$((failures + 1)); }

# The export table.
exports="$(x86_64-w64-mingw32-objdump -p "$dll")"
for name in CalculaConta Initialize Finalize GetPackageInfoTable conta_calcula conta_bill_free \
            conta_set_connection_string conta_set_host_directory conta_packet_convert \
            conta_create_demo_store conta_free conta_version; do
  grep -qE "[[:space:]]$name\$" <<<"$exports" || fail "conta.dll does not export $name"
done

# A Wine prefix of its own, thrown away afterwards.
work="$(mktemp -d)"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/wine" WINEDEBUG="-all,err+module" WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init >/dev/null 2>&1 || true

ctest --test-dir "$build" --output-on-failure || fail "the Windows tests"

# The same bill on both systems: the demo store made and billed by each tool.
# Paths differ in their separators and drive only (Wine shows / as Z:); the
# tool's lines end in CRLF there.
normalise() { tr -d '\r' <"$1" | sed -e 's|\\|/|g' -e 's|Z:/|/|g' -e "s|$2|DIR|g"; }
"$linux_cli" demo "$work/linux" >"$work/linux.txt"
wine "$exe" demo "$work/windows" >"$work/windows.txt" 2>"$work/windows.err" ||
  { cat "$work/windows.err" >&2; fail "conta.exe demo"; }
if diff <(normalise "$work/linux.txt" "$work/linux") \
        <(normalise "$work/windows.txt" "$work/windows") >"$work/demo.diff"; then
  echo "windows-test: conta.exe demo prints the Linux bill: $(grep -E '^Total' "$work/linux.txt")" >&2
else
  cat "$work/demo.diff" >&2
  fail "conta.exe demo differs from the Linux tool"
fi

# Through ODBC: one copy of a store billed by the Linux tool, another by
# conta.exe through Wine's odbc32 and the SQLite ODBC driver.
cp -r "$work/linux" "$work/odbc-linux"
cp -r "$work/linux" "$work/odbc-windows"
bill=(calcula --lista-comandas 0012_0013_0021 --tipo-conta 2 --cobra-consumacao --cobra-couvert
      --cobra-taxa)
"$linux_cli" "${bill[@]}" --host-dir "$work/odbc-linux" >"$work/odbc-linux.txt"
wine "$exe" "${bill[@]}" --host-dir "$work/odbc-windows" \
     --connection "odbc:DRIVER={SQLite3};Database=$work/odbc-windows/Dados/loja.db" \
     >"$work/odbc-windows.txt" 2>"$work/odbc-windows.err" ||
  { cat "$work/odbc-windows.err" >&2; fail "conta.exe calcula through ODBC"; }
strip_command() { grep -v -e '^  conta calcula' -e '^Para calcular' "$1" | tr -d '\r'; }
if diff <(strip_command "$work/odbc-linux.txt") <(strip_command "$work/odbc-windows.txt") \
     >"$work/odbc.diff"; then
  echo "windows-test: conta.exe through ODBC prints the Linux bill" >&2
else
  cat "$work/odbc.diff" >&2
  fail "conta.exe through ODBC differs from the Linux tool"
fi

if [ "$failures" -ne 0 ]; then
  echo "windows-test: $failures check(s) failed" >&2
  exit 1
fi
echo "windows-test: all checks passed" >&2
