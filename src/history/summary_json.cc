// The summary of a generated store as JSON, for the C interface.
#include <nlohmann/json.hpp>
#include <system_error>

#include "history/history.h"
#include "platform/db/connection_string.h"

namespace conta::history {

std::string resumoJson(const Resumo& resumo, const std::filesystem::path& host_dir,
                       const std::string& connection) {
  using Json = nlohmann::ordered_json;
  Json out{{"vendas", resumo.vendas},
           {"comandas", resumo.comandas},
           {"itens", resumo.itens},
           {"vendas_abertas", resumo.vendas_abertas},
           {"comandas_abertas", resumo.comandas_abertas},
           {"comandas_juncao", resumo.comandas_juncao},
           {"comanda_reserva", resumo.comanda_reserva},
           {"primeiro_dia", resumo.primeiro_dia},
           {"ultimo_dia", resumo.ultimo_dia}};
  const db::ConnectionTarget target = db::parseConnectionString(connection, host_dir);
  if (target.driver == db::DriverKind::Sqlite) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(target.target, error);
    out["base"] = Json{{"tipo", "sqlite"}, {"arquivo", target.target}};
    if (!error) out["base"]["bytes"] = bytes;
  } else {
    out["base"] = Json{{"tipo", "postgresql"}};
  }
  return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace conta::history
