// The demo store: a small restaurant to try the module with.
#ifndef CONTA_DATA_DEMO_STORE_H_
#define CONTA_DATA_DEMO_STORE_H_

#include <filesystem>

namespace conta::data {

// Creates under `directory` the SQLite store Dados/loja.db (the store schema
// and the demo data), PARAMETROSXOL.CDS and Dados/Cadastros/AliqImpFis.cds
// (binary packets). A demo store already there is replaced.
void createDemoStore(const std::filesystem::path& directory);

}  // namespace conta::data

#endif  // CONTA_DATA_DEMO_STORE_H_
