// libconta.so exports the public operations of its data module, the package
// entry points and the C interface, and nothing else of ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> exportedSymbols() {
  std::string command = std::string("nm -DC --defined-only ") + CONTA_LIBRARY;
  FILE* pipe = popen(command.c_str(), "r");
  std::set<std::string> names;
  if (pipe == nullptr) return names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    // "<address> <kind> <name>"
    std::size_t first = text.find(' ');
    std::size_t second = text.find(' ', first + 1);
    if (second == std::string::npos) continue;
    std::string name = text.substr(second + 1);
    if (name == "_init" || name == "_fini") continue;
    names.insert(name);
  }
  pclose(pipe);
  return names;
}

// An operation of the data module as nm shows it: "w" a wide text, "s" a
// narrow text, anything else as written ("double", "int", "bool", "double&").
std::string operation(const std::string& name, std::initializer_list<std::string> arguments) {
  auto text = [](const char* character) {
    return std::string("std::__cxx11::basic_string<") + character + ", std::char_traits<" +
           character + ">, std::allocator<" + character + "> > const&";
  };
  std::string out = "Srv_Xol41260::TdtmFuncoesRev::" + name + "(";
  bool first = true;
  for (const auto& argument : arguments) {
    out += first ? "" : ", ";
    first = false;
    out += argument == "w" ? text("wchar_t") : argument == "s" ? text("char") : argument;
  }
  return out + ")";
}

TEST(ExportsTest, ExactlyTheModulesSurface) {
  const std::set<std::string> expected = {
      // The package entry points.
      "Initialize",
      "Finalize",
      "GetPackageInfoTable",
      // The bill, under its plain and its qualified name.
      "CalculaConta",
      "Srv_Xol41260::CalculaConta(conta::Variant const*, int, conta::Variant&)",
      // Its preview, for C++ hosts.
      "Srv_Xol41260::CalculaContaPrevia(conta::Variant const*, int, conta::Variant&)",
      // The public operations of the data module, under their C++ names.
      "Srv_Xol41260::TdtmFuncoesRev::StartTrans()",
      "Srv_Xol41260::TdtmFuncoesRev::CommitTrans()",
      "Srv_Xol41260::TdtmFuncoesRev::RollbackTrans()",
      "Srv_Xol41260::TdtmFuncoesRev::InicializaForm()",
      operation("getListaCmd", {"w", "w"}),
      operation("getCmdAgrupada", {"w", "w"}),
      operation("getComandaVal", {"w", "w", "w"}),
      operation("GetItProdVend", {"w", "w", "w", "w"}),
      operation("SetRetiraItem", {"w", "w", "w"}),
      operation("AjustaQtdeNeg", {"w", "w"}),
      operation("SetComisVenda", {"w", "w", "double"}),
      operation("IncluiTaxa", {"s", "double", "double", "double", "bool", "double&"}),
      operation("getImposto", {"w", "w"}),
      operation("GetProdCouCon", {"w"}),
      operation("setIncluiConsumaCouvert", {"w", "w", "w", "w", "double", "w", "double", "w"}),
      operation("PrxItemComanda", {"w", "w", "int"}),
      operation("IncluiConsuma",
                {"conta::ClientDataSet&", "double", "double", "s", "s", "s", "double", "bool"}),
      operation("setAlteraVrConsuma", {"w", "w", "w", "w", "double", "w", "double", "w"}),
      operation("IncluiCouver", {"conta::ClientDataSet&", "s", "s", "double"}),
      operation("setCalculaCouvert", {"w", "w", "w", "w", "double"}),
      operation("SetAlteraNumIt", {"w", "w", "w", "w", "double"}),
      // The C interface.
      "conta_bill_free",
      "conta_calcula",
      "conta_calcula_explicada",
      "conta_calcula_previa",
      "conta_connect",
      "conta_create_demo_store",
      "conta_create_history_store",
      "conta_packet_convert",
      "conta_free",
      "conta_set_connection_string",
      "conta_set_host_directory",
      "conta_set_list_matching",
      "conta_set_report_sink",
      "conta_store_index_ddl",
      "conta_store_indexes",
      "conta_store_schema",
      "conta_version",
  };
  std::set<std::string> found = exportedSymbols();
  ASSERT_FALSE(found.empty()) << "nm found no symbols in " << CONTA_LIBRARY;
  std::ostringstream unexpected;
  for (const auto& name : found) {
    if (!expected.contains(name)) unexpected << "  " << name << "\n";
  }
  EXPECT_EQ(unexpected.str(), "") << "exported but not part of the module's surface";
  for (const auto& name : expected)
    EXPECT_TRUE(found.contains(name)) << "not exported: " << name;
}

}  // namespace
