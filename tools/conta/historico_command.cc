// conta historico: writes a store of years of sales, to bill and measure.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "commands.h"
#include "history/history.h"
#include "platform/db/connection_string.h"

namespace conta::cli {
namespace {

struct HistoricoOptions {
  std::string directory;
  std::string connection;
  history::Opcoes opcoes;
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
history::Progresso progressBar() {
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  auto last = std::make_shared<int>(-1);
  return [terminal, last](std::uint64_t feito, std::uint64_t total) {
    const int permil = total == 0 ? 1000 : static_cast<int>(feito * 1000 / total);
    if (terminal) {
      if (permil == *last) return;
      *last = permil;
      constexpr int kWidth = 30;
      const int filled = permil * kWidth / 1000;
      std::fprintf(stderr, "\r  [%s%s] %5.1f%%  %s de %s vendas", std::string(filled, '#').c_str(),
                   std::string(kWidth - filled, '.').c_str(), permil / 10.0,
                   milhares(feito).c_str(), milhares(total).c_str());
      if (feito == total) std::fputc('\n', stderr);
      std::fflush(stderr);
    } else {
      const int tenth = permil / 100;
      if (tenth == *last) return;
      *last = tenth;
      std::fprintf(stderr, "conta historico: %d%% (%s de %s vendas)\n", tenth * 10,
                   milhares(feito).c_str(), milhares(total).c_str());
    }
  };
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
  const fs::path dir = fs::absolute(options.directory).lexically_normal();
  const std::string connection = connectionFromCommandLine(options.connection);
  const auto start = std::chrono::steady_clock::now();
  const history::Resumo resumo = history::gera(dir, connection, options.opcoes, progressBar());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const db::ConnectionTarget target = db::parseConnectionString(connection, dir);
  std::string where;
  if (target.driver == db::DriverKind::Sqlite) {
    std::error_code error;
    const auto bytes = fs::file_size(target.target, error);
    where = "SQLite " + target.target +
            (error ? "" : ", " + decimal(static_cast<double>(bytes) / (1 << 20)) + " MB");
  } else {
    where = "PostgreSQL (conexao.txt)";
  }
  const history::Opcoes& o = options.opcoes;
  std::printf("Histórico da loja gerado em %s\n", dir.string().c_str());
  std::printf("  base: %s\n", where.c_str());
  std::printf("  de %s a %s, %s vendas por dia, semente %llu, em %s s\n",
              resumo.primeiro_dia.c_str(), resumo.ultimo_dia.c_str(),
              milhares(static_cast<std::uint64_t>(o.vendas_por_dia)).c_str(),
              static_cast<unsigned long long>(o.semente), decimal(seconds).c_str());
  std::printf("  vendas: %s   comandas: %s   itens: %s\n", milhares(resumo.vendas).c_str(),
              milhares(resumo.comandas).c_str(), milhares(resumo.itens).c_str());
  std::printf("\nVendas abertas: %s, com as comandas abertas:\n",
              milhares(resumo.vendas_abertas).c_str());
  std::string line = " ";
  for (const std::string& comanda : resumo.comandas_abertas) {
    if (line.size() + comanda.size() + 1 > 80) {
      std::printf("%s\n", line.c_str());
      line = " ";
    }
    line += " " + comanda;
  }
  std::printf("%s\n", line.c_str());
  if (!resumo.comandas_juncao.empty()) {
    std::printf("  mesas juntas: %s\n", resumo.comandas_juncao.c_str());
  }
  if (!resumo.comanda_reserva.empty()) {
    std::printf("  mesa reservada (couvert por lugar): %s\n", resumo.comanda_reserva.c_str());
  }
  if (!resumo.comandas_abertas.empty()) {
    std::printf(
        "\nPara calcular uma conta:\n  conta calcula --host-dir %s --lista-comandas %s "
        "--tipo-conta 2 --cobra-consumacao --cobra-couvert --cobra-taxa\n",
        dir.string().c_str(),
        resumo.comandas_juncao.empty() ? resumo.comandas_abertas.front().c_str()
                                       : resumo.comandas_juncao.c_str());
  }
}

}  // namespace

void addHistoricoCommand(CLI::App& app) {
  auto options = std::make_shared<HistoricoOptions>();
  CLI::App* command =
      app.add_subcommand("historico", "Write a store with years of sales, to bill and measure");
  command->add_option("DIR", options->directory, "The store's directory (the host directory)")
      ->required();
  command->add_option("--anos", options->opcoes.anos, "Years of sales (365 days each; default 3)")
      ->check(CLI::Range(1, history::kMaxAnos));
  command
      ->add_option("--vendas-por-dia", options->opcoes.vendas_por_dia, "Sales a day (default 300)")
      ->check(CLI::Range(history::kMinVendasPorDia, history::kMaxVendasPorDia));
  command
      ->add_option("--dias", options->opcoes.dias,
                   "Days of sales, in place of --anos (a small store for a quick look)")
      ->check(CLI::Range(1, history::kMaxAnos * 365));
  command->add_option("--semente", options->opcoes.semente,
                      "Seed of the draws (default 1); another seed, another store");
  command->add_option("--connection", options->connection,
                      "Write to this database instead of DIR/Dados/loja.db: PostgreSQL\n"
                      "(postgresql://... or host=... dbname=...; the tables go into the\n"
                      "connection's current schema) or sqlite:PATH (relative to the current\n"
                      "directory). DIR/conexao.txt then names it, so bills of DIR find it;\n"
                      "without it a conexao.txt in DIR is removed");
  command->add_flag("--substituir", options->opcoes.substituir,
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
