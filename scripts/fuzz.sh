#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang (AddressSanitizer,
# UndefinedBehaviorSanitizer, leak detection) and runs each for a while,
# printing executions, coverage and findings per target. Not part of CI.
#
#   scripts/fuzz.sh [--seconds N] [--targets a,b,...] [--build DIR] [--out DIR]
#
# Targets: binary_packet xml_packet json_packet client_dataset
# named_parameters connection_string bill_values (all by default, one after
# another, N seconds each, default 60). The build goes to DIR (default build-fuzz) and
# the run to OUT (default DIR/fuzz-run): corpora grow in OUT/corpus/<target>
# (seeded from fuzz/seeds, the demo store's files and, when present, the
# interop samples); crashes, leaks and time-outs are kept in
# OUT/artifacts/<target>, libFuzzer's output in OUT/logs. Exit status 1 when
# any target found something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
out=""
seconds=60
targets=(binary_packet xml_packet json_packet client_dataset named_parameters connection_string
         bill_values)

usage() { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; }
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --targets) IFS=, read -r -a targets <<<"$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "fuzz: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "fuzz: --seconds needs a whole number" >&2; exit 2; }
out="${out:-$build/fuzz-run}"

# The library's own dependencies, then clang with its sanitizer and libFuzzer
# runtimes when they are missing.
"$root/scripts/install-deps.sh"
if ! command -v clang++ >/dev/null ||
   ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "fuzz: installing clang and its runtimes" >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    clang libclang-rt-dev >/dev/null
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCONTA_SANITIZE=ON -DCONTA_BUILD_FUZZ=ON -DCONTA_BUILD_TESTS=OFF -DCONTA_BUILD_BENCH=OFF \
  >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/conta_fuzz_}" >/dev/null

# Longest input each target mutates: a statement for the SQL scan, a line
# for connection strings, 16 KiB for packets. Longer samples are cut there;
# mutating whole 50 KiB files ran twenty times slower and covered less.
max_len() {
  case "$1" in
    binary_packet|xml_packet|json_packet|client_dataset) echo 16384 ;;
    named_parameters) echo 4096 ;;
    connection_string) echo 1024 ;;
    bill_values) echo 512 ;;
  esac
}

# Seeds: copied into the corpus each run (libFuzzer keeps what it adds there).
seed() {
  local target="$1" corpus="$2" interop="$root/../shared/interop"
  [ -n "${CONTA_SHARED_DIR:-}" ] && interop="$CONTA_SHARED_DIR/interop"
  [ -d "$root/fuzz/seeds/$target" ] && cp -n "$root/fuzz/seeds/$target"/* "$corpus"/ 2>/dev/null || true
  case "$target" in
    binary_packet)
      [ -d "$interop" ] && cp -n "$interop"/cds-samples/*.cds "$corpus"/ || true ;;
    xml_packet)
      [ -d "$interop" ] && cp -n "$interop"/xml-cases/*.xml "$corpus"/ || true ;;
    json_packet)
      cp -n "$root"/demo/PARAMETROSXOL.json "$root"/demo/Dados/Cadastros/*.json "$corpus"/ ;;
    client_dataset)
      cp -n "$root"/demo/PARAMETROSXOL.json "$root"/demo/Dados/Cadastros/*.json "$corpus"/
      cp -n "$root"/fuzz/seeds/xml_packet/* "$corpus"/ 2>/dev/null || true
      [ -d "$interop" ] && cp -n "$interop"/cds-samples/*.cds "$interop"/xml-cases/*.xml "$corpus"/ || true ;;
  esac
}

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
found=0
summary=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/conta_fuzz_$target"
  [ -x "$binary" ] || { echo "fuzz: no target '$target'" >&2; exit 2; }
  corpus="$out/corpus/$target"
  artifacts="$out/artifacts/$target"
  log="$out/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  seed "$target" "$corpus"
  chmod -R u+w "$corpus"  # samples come read-only; the corpus is ours to prune
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  before=$(find "$artifacts" -type f | wc -l)
  echo "fuzz: $target for ${seconds}s (corpus $corpus)" >&2
  # libFuzzer stops at the first finding; the run goes on with the next target.
  "$binary" "$corpus" "${dict[@]}" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    >"$log" 2>&1 || true
  after=$(find "$artifacts" -type f | wc -l)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  new=$((after - before))
  [ "$new" -gt 0 ] && found=1
  summary+=("$(printf '%-18s %12s execs %8s/s  %-22s findings %d' "$target" "${execs:-?}" \
    "${rate:-?}" "${cov:-cov: ?}" "$new")")
  if [ "$new" -gt 0 ]; then
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*check failed)' "$log" | head -5 | sed 's/^/    /' >&2 || true
  fi
done

echo "fuzz: results (logs in $out/logs, artifacts in $out/artifacts)"
printf '  %s\n' "${summary[@]}"
exit "$found"
