// conta historico: writes a store of years of sales, to bill and measure.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

namespace conta::cli {
namespace {

struct HistoricoOptions {
  std::string directory;
  std::string connection;
  int anos = 3;
  int dias = 0;
  int vendas_por_dia = 300;
  unsigned long long semente = 1;
  bool substituir = false;
};

// 328500 as "328.500", as the store's people write numbers.
std::string milhares(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return out;
}

// 25.31 as "25,3", with the decimal comma of the store's people.
std::string decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string out = text;
  std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

// On a terminal a bar redrawn in place; otherwise (a log, a pipe) one line
// every tenth of the way, so that logs stay readable.
struct Barra {
  bool terminal = ::isatty(STDERR_FILENO) == 1;
  int last = -1;
};

void progresso(void* user_data, unsigned long long feito, unsigned long long total) {
  Barra& barra = *static_cast<Barra*>(user_data);
  const int permil = total == 0 ? 1000 : static_cast<int>(feito * 1000 / total);
  if (barra.terminal) {
    if (permil == barra.last) return;
    barra.last = permil;
    constexpr int kWidth = 30;
    const int filled = permil * kWidth / 1000;
    std::fprintf(stderr, "\r  [%s%s] %5.1f%%  %s de %s vendas", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), permil / 10.0, milhares(feito).c_str(),
                 milhares(total).c_str());
    if (feito == total) std::fputc('\n', stderr);
    std::fflush(stderr);
  } else {
    const int tenth = permil / 100;
    if (tenth == barra.last) return;
    barra.last = tenth;
    std::fprintf(stderr, "conta historico: %d%% (%s de %s vendas)\n", tenth * 10,
                 milhares(feito).c_str(), milhares(total).c_str());
  }
}

// A relative SQLite path on the command line is taken from the current
// directory, as conta calcula takes it.
std::string connectionFromCommandLine(const std::string& text) {
  if (text.rfind("sqlite:", 0) != 0) return text;
  std::filesystem::path path(text.substr(7));
  return path.is_relative() ? "sqlite:" + std::filesystem::absolute(path).string() : text;
}

void runHistorico(const HistoricoOptions& options) {
  namespace fs = std::filesystem;
  using Json = nlohmann::json;
  const fs::path dir = fs::absolute(options.directory).lexically_normal();
  const std::string connection = connectionFromCommandLine(options.connection);
  const conta_history_options opcoes{options.anos, options.dias, options.vendas_por_dia,
                                     options.semente, options.substituir ? 1 : 0};
  const auto start = std::chrono::steady_clock::now();
  Barra barra;
  char* texto = nullptr;
  char* error = nullptr;
  // The C interface takes the folder as UTF-8 text on every system.
  const std::u8string pasta8 = dir.u8string();
  const std::string pasta(pasta8.begin(), pasta8.end());
  if (conta_create_history_store(pasta.c_str(), connection.c_str(), &opcoes, progresso, &barra,
                                 &texto, &error) != CONTA_OK) {
    std::string message = error != nullptr ? error : "the history failed";
    conta_free(error);
    throw Error(message);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Json resumo = Json::parse(texto);
  conta_free(texto);

  const Json& base = resumo.at("base");
  std::string where = "PostgreSQL (conexao.txt)";
  if (base.at("tipo") == "sqlite") {
    where = "SQLite " + base.at("arquivo").get<std::string>();
    if (base.contains("bytes")) {
      where += ", " + decimal(base.at("bytes").get<double>() / (1 << 20)) + " MB";
    }
  }
  const auto comandasAbertas = resumo.at("comandas_abertas").get<std::vector<std::string>>();
  const std::string juncao = resumo.at("comandas_juncao").get<std::string>();
  const std::string reserva = resumo.at("comanda_reserva").get<std::string>();
  std::printf("Histórico da loja gerado em %s\n", dir.string().c_str());
  std::printf("  base: %s\n", where.c_str());
  std::printf("  de %s a %s, %s vendas por dia, semente %llu, em %s s\n",
              resumo.at("primeiro_dia").get<std::string>().c_str(),
              resumo.at("ultimo_dia").get<std::string>().c_str(),
              milhares(static_cast<std::uint64_t>(options.vendas_por_dia)).c_str(), options.semente,
              decimal(seconds).c_str());
  std::printf("  vendas: %s   comandas: %s   itens: %s\n",
              milhares(resumo.at("vendas").get<std::uint64_t>()).c_str(),
              milhares(resumo.at("comandas").get<std::uint64_t>()).c_str(),
              milhares(resumo.at("itens").get<std::uint64_t>()).c_str());
  std::printf("\nVendas abertas: %s, com as comandas abertas:\n",
              milhares(resumo.at("vendas_abertas").get<std::uint64_t>()).c_str());
  std::string line = " ";
  for (const std::string& comanda : comandasAbertas) {
    if (line.size() + comanda.size() + 1 > 80) {
      std::printf("%s\n", line.c_str());
      line = " ";
    }
    line += " " + comanda;
  }
  std::printf("%s\n", line.c_str());
  if (!juncao.empty()) std::printf("  mesas juntas: %s\n", juncao.c_str());
  if (!reserva.empty()) std::printf("  mesa reservada (couvert por lugar): %s\n", reserva.c_str());
  if (!comandasAbertas.empty()) {
    std::printf(
        "\nPara calcular uma conta:\n  conta calcula --host-dir %s --lista-comandas %s "
        "--tipo-conta 2 --cobra-consumacao --cobra-couvert --cobra-taxa\n",
        dir.string().c_str(), juncao.empty() ? comandasAbertas.front().c_str() : juncao.c_str());
  }
}

}  // namespace

void addHistoricoCommand(CLI::App& app) {
  auto options = std::make_shared<HistoricoOptions>();
  CLI::App* command =
      app.add_subcommand("historico", "Write a store with years of sales, to bill and measure");
  command->add_option("DIR", options->directory, "The store's directory (the host directory)")
      ->required();
  command->add_option("--anos", options->anos, "Years of sales (365 days each; default 3)")
      ->check(CLI::Range(1, CONTA_HISTORY_MAX_ANOS));
  command->add_option("--vendas-por-dia", options->vendas_por_dia, "Sales a day (default 300)")
      ->check(CLI::Range(CONTA_HISTORY_MIN_VENDAS_POR_DIA, CONTA_HISTORY_MAX_VENDAS_POR_DIA));
  command
      ->add_option("--dias", options->dias,
                   "Days of sales, in place of --anos (a small store for a quick look)")
      ->check(CLI::Range(1, CONTA_HISTORY_MAX_ANOS * 365));
  command->add_option("--semente", options->semente,
                      "Seed of the draws (default 1); another seed, another store");
  command->add_option("--connection", options->connection,
                      "Write to this database instead of DIR/Dados/loja.db: PostgreSQL\n"
                      "(postgresql://... or host=... dbname=...; the tables go into the\n"
                      "connection's current schema) or sqlite:PATH (relative to the current\n"
                      "directory). DIR/conexao.txt then names it, so bills of DIR find it;\n"
                      "without it a conexao.txt in DIR is removed");
  command->add_flag("--substituir", options->substituir,
                    "Replace a store already there (otherwise it is an error); a failed\n"
                    "run leaves the store that was there");
  command->footer(
      "The store in DIR: the store database (SQLite Dados/loja.db, or PostgreSQL),\n"
      "PARAMETROSXOL.CDS and Dados/Cadastros/AliqImpFis.cds. Closed sales fill every day up\n"
      "to 2026-11-30; at the end of that day about twenty sales are still open, two of them at\n"
      "joined tables and one at a reserved table, ready to bill. The same options always\n"
      "write the same rows.\n"
      "\n"
      "Examples:\n"
      "  conta historico /tmp/loja3a                      3 years, 300 sales a day, SQLite\n"
      "  conta historico /tmp/loja --dias 3 --vendas-por-dia 40\n"
      "  conta historico /tmp/loja1a --anos 1 --semente 7   one year, another draw\n"
      "  conta historico /tmp/loja --substituir --connection \"host=localhost dbname=loja\"\n"
      "Progress goes to standard error, the summary (the open comandas and a conta calcula\n"
      "command line to bill them) to standard output. Exit status: 0 the store, 1 it failed,\n"
      "2 wrong command line.");
  command->callback([options] { runHistorico(*options); });
}

}  // namespace conta::cli
