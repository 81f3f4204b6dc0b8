// The store's files beside its database: the parameters file and the
// fiscal-rate table the host reads (the demo store's, with the house rules a
// history needs), and conexao.txt, which sends bills to a database server.
#ifndef CONTA_HISTORY_STORE_FILES_H_
#define CONTA_HISTORY_STORE_FILES_H_

#include <filesystem>
#include <string>

#include "frame/store_parameters.h"

namespace conta::history {

// The store parameters the history's rows must agree with: those its
// parameters file holds.
using ParametrosHistorico = Srv_Xol41260::TParametrosLoja;

// The parameters of a history's store. They are the demo store's, with the
// seat switch IDLUGARMESA "S": a comanda of a reserved table ("RES") takes
// the cover charge one unit per seat, while the other comandas take the
// minimum consumption. Service charge (10 %), cover and minimum consumption
// are on.
ParametrosHistorico parametrosHistorico();

// Writes PARAMETROSXOL.CDS with those parameters and the demo's
// Dados/Cadastros/AliqImpFis.cds (binary packets) under host_dir.
void gravaArquivosParametros(const std::filesystem::path& host_dir);

// conexao.txt under host_dir: written with the connection string, or, for an
// empty string, removed in whatever case its name is written.
void gravaConexao(const std::filesystem::path& host_dir, const std::string& connection);

}  // namespace conta::history

#endif  // CONTA_HISTORY_STORE_FILES_H_
