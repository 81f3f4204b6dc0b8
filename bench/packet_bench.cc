// The three packet encodings side by side on the bill's item packet: how
// much dearer XML and JSON are than the native binary packet the host gets.
// Run: build/bench/conta_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include "conta/data_packet.h"
#include "conta/packet_codecs.h"

namespace conta {
namespace {

// The item packet of a bill: 28 fields, mostly short texts and floats.
DataPacket itemPacket(int rows) {
  DataPacket p;
  const struct {
    const char* name;
    FieldType type;
    int width;
  } layout[] = {
      {"NRPRODCOMVEN", FieldType::String, 6},     {"CDFILIAL", FieldType::String, 4},
      {"NRVENDAREST", FieldType::String, 10},     {"NRCOMANDA", FieldType::String, 10},
      {"CDPRODUTO", FieldType::String, 10},       {"QTPRODCOMVEN", FieldType::Float, 0},
      {"VRPRECCOMVEN", FieldType::Float, 0},      {"VRDESCCOMVEN", FieldType::Float, 0},
      {"NRLUGARMESA", FieldType::String, 3},      {"CDARVPROD", FieldType::String, 20},
      {"NMPRODUTO", FieldType::String, 50},       {"IDCOBTXSERV", FieldType::String, 1},
      {"NRMESADSCOMORIT", FieldType::String, 50}, {"VRACRCOMVEN", FieldType::Float, 0},
      {"CDVENDEDORITEM", FieldType::String, 4},   {"TXPRODCOMVEN", FieldType::String, 500},
      {"IDPROMO", FieldType::String, 1},          {"CDPRODPROMOCAO", FieldType::String, 20},
      {"VRPERCCOMISVEND", FieldType::Float, 0},   {"IDVRINCIDECONTA", FieldType::String, 1},
      {"IDDIVIDECONTA", FieldType::String, 1},    {"IDCHECK", FieldType::String, 1},
      {"CDPRODRALIMENT", FieldType::String, 10},  {"IDDESCMANUAL", FieldType::String, 1},
      {"DSOBSFINVEN", FieldType::String, 255},    {"NRSEQPRODCOM", FieldType::String, 3},
      {"DTHRINCOMVEN", FieldType::DateTime, 0},   {"CDCUPOMDESCXOL", FieldType::String, 10},
  };
  for (const auto& f : layout)
    p.fields.emplace_back(f.name, f.type, f.width);
  for (int r = 0; r < rows; ++r) {
    PacketRow row;
    for (const auto& f : p.fields) {
      switch (f.type) {
        case FieldType::Float:
          row.values.emplace_back(r * 1.25 + 0.1);
          break;
        case FieldType::DateTime:
          row.values.emplace_back(DateTime::fromParts({2024, 3, 15, 20, r % 60, 0, 0}));
          break;
        default:
          row.values.emplace_back(
              std::string(static_cast<std::size_t>(std::min(f.width(), 8)), 'A'));
      }
    }
    p.rows.push_back(std::move(row));
  }
  return p;
}

void encodeBench(benchmark::State& state, PacketFormat format) {
  DataPacket p = itemPacket(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out = encodePacket(p, format);
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["bytes"] = static_cast<double>(bytes);
}

void decodeBench(benchmark::State& state, PacketFormat format) {
  std::string encoded = encodePacket(itemPacket(static_cast<int>(state.range(0))), format);
  for (auto _ : state) {
    DataPacket p = decodePacket(encoded);
    benchmark::DoNotOptimize(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK_CAPTURE(encodeBench, binary, PacketFormat::Binary)->Arg(50)->Arg(5000);
BENCHMARK_CAPTURE(encodeBench, xml, PacketFormat::Xml)->Arg(50)->Arg(5000);
BENCHMARK_CAPTURE(encodeBench, json, PacketFormat::Json)->Arg(50)->Arg(5000);
BENCHMARK_CAPTURE(decodeBench, binary, PacketFormat::Binary)->Arg(50)->Arg(5000);
BENCHMARK_CAPTURE(decodeBench, xml, PacketFormat::Xml)->Arg(50)->Arg(5000);
BENCHMARK_CAPTURE(decodeBench, json, PacketFormat::Json)->Arg(50)->Arg(5000);

}  // namespace
}  // namespace conta

BENCHMARK_MAIN();
