#!/usr/bin/env bash
# Builds conta (release) and runs the main job on the demo store: the store's
# parameters file is made from its JSON source and shown as a store sees it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONTA_BUILD_TESTS=OFF \
      -DCONTA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target conta_cli -j"$(nproc)" >/dev/null

conta="$build/tools/conta/conta"
store="$build/demo-store"
mkdir -p "$store/Dados/Cadastros"
"$conta" pacote "$root/demo/PARAMETROSXOL.json" --output "$store/PARAMETROSXOL.CDS"
"$conta" pacote "$root/demo/Dados/Cadastros/AliqImpFis.json" \
         --output "$store/Dados/Cadastros/AliqImpFis.cds"
"$conta" pacote "$store/PARAMETROSXOL.CDS"
