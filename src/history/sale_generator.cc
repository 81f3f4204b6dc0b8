#include "history/sale_generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "conta/error.h"
#include "history/calendar.h"
#include "history/store_catalog.h"
#include "history/store_rows.h"

namespace conta::history {
namespace {

// Comanda numbers have seven digits and start here; a tab now and then is
// spoilt before it is used, so the numbers leave gaps.
constexpr unsigned kPrimeiraComanda = 1000001;
constexpr unsigned kUltimaComanda = 9999999;

// The seats of a table; a sale of more persons seats them on these.
constexpr int kLugares = 8;

// Menus grow dearer every year before the history's last day.
constexpr double kReajusteAnual = 1.07;

// Lunch and dinner, in minutes past midnight.
constexpr int kAlmocoInicio = 11 * 60 + 30, kAlmocoFim = 14 * 60 + 30;
constexpr int kJantarInicio = 18 * 60 + 30, kJantarFim = 22 * 60 + 30;
// The last day's open sales sat down in the evening.
constexpr int kAbertasInicio = 19 * 60 + 30;

// Draw weights: persons at a table (1 to 8), comandas of a sale (1 to 4;
// about 1.6 a sale), menu groups (in Grupo's order).
constexpr std::array<int, kLugares> kPesoPessoas = {10, 35, 15, 22, 6, 7, 2, 3};
constexpr std::array<int, 4> kPesoComandas = {48, 33, 12, 7};
constexpr std::array<int, 9> kPesoGrupo = {36, 8, 10, 20, 8, 7, 7, 2, 2};

constexpr const char* kObservacoes[] = {"sem cebola",  "ao ponto",  "bem passado", "sem sal",
                                        "sem gelo",    "com limão", "bem gelada",  "molho à parte",
                                        "para viagem", "sem glúten"};
constexpr const char* kSobrenomesReserva[] = {"SILVA",   "SOUZA", "COSTA",  "ROCHA",
                                              "MOREIRA", "PINTO", "CAMPOS", "FREITAS"};

double trunc2(double value) {
  // The small nudge keeps 0.29 * 100 = 28.999... from losing a cent.
  return std::trunc(value * 100 + (value >= 0 ? 1e-7 : -1e-7)) / 100;
}

double round2(double value) {
  return std::round(value * 100) / 100;
}

void numero(std::string& out, const char* format, unsigned long long value) {
  char text[24];
  const int n = std::snprintf(text, sizeof text, format, value);
  out.assign(text, static_cast<std::size_t>(n));
}

// What an open sale at the end of the last day is there for.
enum class Papel : std::uint8_t {
  Comum,
  Juncao,       // one of the two sales at joined tables
  Reserva,      // a reserved table: one "RES" comanda, items on every seat
  Passagem,     // a quick drink: far below the minimum consumption
  Cancelamento  // one of its comandas was cancelled (IDSTCOMANDA "4")
};

struct PlanoVenda {
  int minuto = 0;  // when the table was opened
  bool aberta = false;
  Papel papel = Papel::Comum;
};

class Gerador {
 public:
  Gerador(Loader& loader, Random& random, const ParametrosHistorico& parametros,
          const Periodo& periodo, const Progresso& progresso)
      : loader_(loader),
        random_(random),
        p_(parametros),
        periodo_(periodo),
        progresso_(progresso),
        total_(static_cast<std::uint64_t>(periodo.dias) *
               static_cast<std::uint64_t>(periodo.vendas_por_dia)) {
    const auto menu = cardapio();
    for (std::size_t i = 0; i < menu.size(); ++i) {
      porGrupo_[static_cast<std::size_t>(menu[i].grupo)].push_back(i);
    }
    // One price list per year back from the last day, to the ten cents.
    // The factor is multiplied up rather than taken from pow(), whose last
    // bit differs between C libraries: a seed gives the same prices anywhere.
    const int anos = periodo.dias / 365 + 1;
    precos_.resize(static_cast<std::size_t>(anos));
    double fator = 1;
    for (int k = 0; k < anos; ++k, fator *= kReajusteAnual) {
      for (const ItemCardapio& item : menu) {
        precos_[static_cast<std::size_t>(k)].push_back(std::round(item.preco / fator * 10) / 10);
      }
    }
    for (const Garcom& g : garcons()) {
      // The manager (GER1) opens no tables.
      if (std::string_view(g.CDVENDEDOR).size() == 3) garconsDeSalao_.push_back(g.CDVENDEDOR);
    }
  }

  Resumo gera() {
    if (progresso_) progresso_(0, total_);
    for (int d = 0; d < periodo_.dias; ++d) {
      geraDia(periodo_.primeiro_dia + d, d == periodo_.dias - 1);
    }
    gravaJuncao();
    resumo_.comandas_abertas = std::move(primeirasAbertas_);
    resumo_.comandas_abertas.insert(resumo_.comandas_abertas.end(), outrasAbertas_.begin(),
                                    outrasAbertas_.end());
    return std::move(resumo_);
  }

 private:
  void geraDia(int dia, bool ultimo) {
    dia_ = dia;
    anosAtras_ = (periodo_.primeiro_dia + periodo_.dias - 1 - dia) / 365;
    const int semana = diaDaSemana(dia);
    // Live music from Thursday to Saturday at dinner: cover and minimum
    // consumption are charged then.
    noiteComMusica_ = semana >= 4 && semana <= 6;

    std::vector<PlanoVenda> plano(static_cast<std::size_t>(periodo_.vendas_por_dia));
    const std::size_t abertas = ultimo ? kVendasAbertas : 0;
    for (std::size_t i = 0; i < plano.size(); ++i) {
      PlanoVenda& venda = plano[i];
      venda.aberta = i >= plano.size() - abertas;
      if (venda.aberta) {
        venda.minuto = random_.between(kAbertasInicio, kJantarFim);
      } else if (random_.chance(45)) {
        venda.minuto = random_.between(kAlmocoInicio, kAlmocoFim);
      } else {
        venda.minuto = random_.between(kJantarInicio, kJantarFim);
      }
    }
    if (ultimo) planejaAbertas(plano, abertas);
    // Sale numbers follow the time the tables were opened.
    std::stable_sort(plano.begin(), plano.end(),
                     [](const PlanoVenda& a, const PlanoVenda& b) { return a.minuto < b.minuto; });
    for (const PlanoVenda& venda : plano)
      geraVenda(venda);
  }

  // The open sales' roles and tables: each at a table of its own.
  void planejaAbertas(std::vector<PlanoVenda>& plano, std::size_t abertas) {
    std::vector<int> mesas(kMesas);
    std::iota(mesas.begin(), mesas.end(), 1);
    embaralha(mesas);
    mesasAbertas_.assign(mesas.begin(), mesas.begin() + static_cast<std::ptrdiff_t>(abertas));
    std::vector<std::size_t> ordem(abertas);
    std::iota(ordem.begin(), ordem.end(), plano.size() - abertas);
    embaralha(ordem);
    const Papel papeis[] = {Papel::Juncao, Papel::Juncao, Papel::Reserva, Papel::Passagem,
                            Papel::Cancelamento};
    for (std::size_t i = 0; i < std::size(papeis); ++i)
      plano[ordem[i]].papel = papeis[i];
  }

  template <class T>
  void embaralha(std::vector<T>& values) {
    for (std::size_t i = values.size(); i > 1; --i) {
      std::swap(values[i - 1], values[random_.below(i)]);
    }
  }

  void geraVenda(const PlanoVenda& plano) {
    ++vendas_;
    VendaRest& venda = venda_;
    venda.CDFILIAL = p_.CDFILIAL;
    numero(venda.NRVENDAREST, "%010llu", vendas_);
    venda.CDLOJA = p_.CDLOJA;
    int mesa = 0;
    if (plano.aberta) {
      mesa = mesasAbertas_[proximaMesaAberta_++];
    } else {
      mesa = random_.between(1, kMesas);
    }
    numero(venda.NRMESA, "%llu", static_cast<unsigned long long>(mesa));

    int pessoas = static_cast<int>(random_.weighted(kPesoPessoas)) + 1;
    int comandas = static_cast<int>(random_.weighted(kPesoComandas)) + 1;
    switch (plano.papel) {
      case Papel::Reserva:
        pessoas = 6;
        comandas = 1;
        break;
      case Papel::Passagem:
        pessoas = 4;
        comandas = 1;
        break;
      case Papel::Cancelamento:
        comandas = std::max(comandas, 2);
        pessoas = std::max(pessoas, 2);
        break;
      default:
        break;
    }
    comandas = std::min(comandas, pessoas);
    venda.NRPESMESAVEN = pessoas;
    textoDataHora(dia_, plano.minuto, venda.DTHRABERMESA);
    const int duracao = random_.between(35, 150);
    if (plano.aberta) {
      venda.DTHRFECHMESA.reset();
    } else {
      if (!venda.DTHRFECHMESA) venda.DTHRFECHMESA.emplace();
      textoDataHora(dia_, plano.minuto + duracao, *venda.DTHRFECHMESA);
    }
    venda.CDVENDEDOR = garconsDeSalao_[random_.below(garconsDeSalao_.size())];
    venda.CDCLIENTE.reset();
    venda.CDCONSUMIDOR.reset();
    const int cliente = static_cast<int>(random_.below(1000));
    if (cliente < 60) {
      // A company's staff member, on the company's card.
      const auto clientes = clientesComConsumidores();
      const ClienteConsumidores& c = clientes[random_.below(clientes.size())];
      venda.CDCLIENTE = c.CDCLIENTE;
      char codigo[16];
      std::snprintf(codigo, sizeof codigo, "C%03d", random_.between(1, c.consumidores));
      venda.CDCONSUMIDOR = codigo;
    } else if (cliente < 65) {
      // A consumer the store never registered.
      venda.CDCLIENTE = p_.CDCLIENTE;
      venda.CDCONSUMIDOR = "C999";
    }
    grava(loader_, venda);

    const bool cobrancas = plano.aberta || (noiteComMusica_ && plano.minuto >= kJantarInicio);
    geraComandas(plano, mesa, pessoas, comandas, duracao, cobrancas);
    ++feito_;
    informaProgresso();
  }

  void geraComandas(const PlanoVenda& plano, int mesa, int pessoas, int quantas, int duracao,
                    bool cobrancas) {
    itens_ = 0;
    comandasDaVenda_.resize(static_cast<std::size_t>(quantas));
    itensDaComanda_.assign(static_cast<std::size_t>(quantas), 0);
    double consumido = 0, baseTaxa = 0;
    for (int c = 0; c < quantas; ++c) {
      ComandaVen& comanda = comandasDaVenda_[static_cast<std::size_t>(c)];
      proximaComanda_ += random_.chance(8) ? static_cast<unsigned>(random_.between(2, 4)) : 1;
      if (proximaComanda_ > kUltimaComanda) {
        throw Error(
            "the history needs more comanda numbers than seven digits hold: ask for "
            "fewer days or fewer sales a day");
      }
      comanda.CDFILIAL = p_.CDFILIAL;
      comanda.NRVENDAREST = venda_.NRVENDAREST;
      numero(comanda.NRCOMANDA, "%07llu", proximaComanda_);
      comanda.CDLOJA = p_.CDLOJA;
      // Every comanda's text is its own: a comanda grouped under another
      // names it in DSCOMANDAPRI, and the count of a group must find only
      // its own.
      char texto[40];
      if (plano.papel == Papel::Reserva) {
        std::snprintf(texto, sizeof texto, "RES %s/%s",
                      kSobrenomesReserva[random_.below(std::size(kSobrenomesReserva))],
                      comanda.NRCOMANDA.c_str());
      } else {
        std::snprintf(texto, sizeof texto, "MESA %d/%s", mesa, comanda.NRCOMANDA.c_str());
      }
      comanda.DSCOMANDA = texto;
      if (c > 0 && random_.chance(50)) {
        comanda.DSCOMANDAPRI = comandasDaVenda_.front().DSCOMANDA;
      } else {
        comanda.DSCOMANDAPRI.reset();
      }
      const bool cancelada =
          c > 0 && (plano.aberta ? plano.papel == Papel::Cancelamento && c == quantas - 1
                                 : random_.chance(1));
      comanda.IDSTCOMANDA = cancelada ? "4" : "1";
      comanda.IDUTILTXSERV = plano.aberta || random_.chance(97) ? "S" : "N";
      comanda.IDUTILCONSUMA = cobrancas ? "S" : "N";
      comanda.IDUTILCOUVERT = cobrancas ? "S" : "N";
      comanda.VRDESCOMANDA = 0;
      comanda.VRACRCOMANDA = random_.chance(3) ? 5.0 * random_.between(1, 2) : 0;
      comanda.VRCOMISVENDE = 0;
      comanda.SGSEXOCON = random_.chance(50) ? "M" : "F";

      geraItens(plano, static_cast<std::size_t>(c), pessoas, duracao, cancelada, consumido,
                baseTaxa);
      if (plano.aberta && !cancelada) {
        (c == 0 ? primeirasAbertas_ : outrasAbertas_).push_back(comanda.NRCOMANDA);
        if (plano.papel == Papel::Juncao) {
          if (!resumo_.comandas_juncao.empty()) resumo_.comandas_juncao += '_';
          resumo_.comandas_juncao += comanda.NRCOMANDA;
        }
        if (plano.papel == Papel::Reserva) resumo_.comanda_reserva = comanda.NRCOMANDA;
      }
    }
    if (plano.papel == Papel::Juncao) mesasJuntas_.push_back(mesa);
    if (plano.aberta) ++resumo_.vendas_abertas;
    if (!plano.aberta) cobraVendaFechada(pessoas, cobrancas, consumido, baseTaxa);

    for (const ComandaVen& comanda : comandasDaVenda_) {
      grava(loader_, comanda);
    }
    for (std::size_t i = 0; i < itens_; ++i) {
      grava(loader_, itensDaVenda_[i]);
    }
    resumo_.comandas += comandasDaVenda_.size();
    resumo_.itens += itens_;
  }

  // A closed sale was billed: its comandas keep the service charge, and on
  // a night with music it took the cover and, when short, the minimum
  // consumption, as charge items of its first comanda.
  void cobraVendaFechada(int pessoas, bool cobrancas, double consumido, double baseTaxa) {
    ComandaVen& primeira = comandasDaVenda_.front();
    const double taxa = round2(trunc2(baseTaxa / 100 * p_.VRCOMISVENDA));
    for (ComandaVen& comanda : comandasDaVenda_) {
      comanda.VRCOMISVENDE = comanda.IDUTILTXSERV == "S" ? taxa : 0;
    }
    if (!cobrancas) return;
    ItComandaVen& couvert = novoItem(0);
    preencheCobranca(couvert, p_.CDPRODCOUVER, pessoas, p_.PRECOCOUVERT);
    const bool masculino = primeira.SGSEXOCON == "M";
    const double minimo = pessoas * (masculino ? p_.PRECOCONSUMAMASC : p_.PRECOCONSUMAFEMI);
    if (consumido < minimo) {
      ItComandaVen& consumacao = novoItem(0);
      preencheCobranca(consumacao, masculino ? p_.CDPRODCONSUM : p_.CDPRODCONSUF, 1,
                       round2(minimo - consumido));
    }
  }

  void preencheCobranca(ItComandaVen& item, const std::string& produto, double quantidade,
                        double preco) {
    item.CDPRODUTO = produto;
    item.QTPRODCOMVEN = quantidade;
    item.VRPRECCOMVEN = preco;
    item.TXPRODCOMVEN.reset();
    item.IDSTPRCOMVEN = "1";
    item.NRLUGARMESA = "01";
    // Entered as the bill was made: when the table was closed.
    item.DTHRINCOMVEN = *venda_.DTHRFECHMESA;
    item.CDCAIXACOLETOR = p_.CDCAIXA;
    item.CDVENDEDOR.reset();
  }

  // A new item of the comanda, numbered after its others, with the fields
  // every item shares.
  ItComandaVen& novoItem(std::size_t c) {
    const ComandaVen& comanda = comandasDaVenda_[c];
    if (itens_ == itensDaVenda_.size()) itensDaVenda_.emplace_back();
    ItComandaVen& item = itensDaVenda_[itens_++];
    item.CDFILIAL = comanda.CDFILIAL;
    item.NRVENDAREST = comanda.NRVENDAREST;
    item.NRCOMANDA = comanda.NRCOMANDA;
    numero(item.NRPRODCOMVEN, "%06llu", ++itensDaComanda_[c]);
    item.CDLOJA = comanda.CDLOJA;
    item.VRPRECCLCOMVEN.reset();
    item.VRDESCCOMVEN = 0;
    item.VRACRCOMVEN = 0;
    item.IDDESCMANUAL = "N";
    item.IDPRODREFIL = "N";
    return item;
  }

  const ItemCardapio& sorteiaProduto(std::size_t& indice) {
    const auto& grupo = porGrupo_[random_.weighted(kPesoGrupo)];
    indice = grupo[random_.below(grupo.size())];
    return cardapio()[indice];
  }

  double sorteiaQuantidade(const ItemCardapio& produto) {
    switch (produto.grupo) {
      case Grupo::PorQuilo:
        // Weighed: grams, as the scale gives them.
        return random_.between(180, 950) / 1000.0;
      case Grupo::Bebida:
        return static_cast<double>(random_.weighted(std::array{60, 25, 10, 5}) + 1);
      case Grupo::Sobremesa:
      case Grupo::Cafe:
      case Grupo::Prato:
        return random_.chance(85) ? 1 : 2;
      default:
        return 1;
    }
  }

  void geraItens(const PlanoVenda& plano, std::size_t c, int pessoas, int duracao, bool cancelada,
                 double& consumido, double& baseTaxa) {
    const int lugares = std::min(pessoas, kLugares);
    // About six items a comanda, charge items and refills among them. One
    // draw a statement: the order of the draws is the seed's contract.
    const int primeira = static_cast<int>(random_.below(6));
    int quantos = 1 + primeira + static_cast<int>(random_.below(random_.chance(50) ? 6 : 5));
    if (plano.papel == Papel::Passagem) quantos = 2;
    if (plano.papel == Papel::Reserva) quantos = std::max(quantos, lugares);
    // Open sales are still ordering: their items reach up to now.
    const int janela = plano.aberta ? 90 : duracao - 5;
    int minuto = plano.minuto + 2;
    for (int i = 0; i < quantos; ++i) {
      ItComandaVen& item = novoItem(c);
      std::size_t indice = 0;
      const ItemCardapio* produto = &sorteiaProduto(indice);
      if (plano.papel == Papel::Passagem) {
        while (produto->grupo != Grupo::Bebida)
          produto = &sorteiaProduto(indice);
      }
      item.CDPRODUTO = produto->CDPRODUTO;
      item.QTPRODCOMVEN = sorteiaQuantidade(*produto);
      item.VRPRECCOMVEN = precos_[static_cast<std::size_t>(anosAtras_)][indice];
      const double bruto = trunc2(item.VRPRECCOMVEN * item.QTPRODCOMVEN);
      if ((produto->grupo == Grupo::Prato || produto->grupo == Grupo::Entrada) &&
          random_.chance(2)) {
        item.VRPRECCLCOMVEN = 6.0;  // an addition: cheese, egg, rice
      }
      if (random_.chance(4)) {
        item.VRDESCCOMVEN = trunc2(bruto / 10);
        item.IDDESCMANUAL = random_.chance(50) ? "S" : "N";
      }
      if (random_.chance(1)) item.VRACRCOMVEN = 2.0;
      if (random_.chance(8)) {
        item.TXPRODCOMVEN = kObservacoes[random_.below(std::size(kObservacoes))];
      } else {
        item.TXPRODCOMVEN.reset();
      }
      // Items cancelled in the kitchen ("7") or before it ("6") stay on the
      // comanda and bills leave them out; an open comanda's first item is
      // never cancelled, so a bill of it always finds one.
      const int sorteio = static_cast<int>(random_.below(1000));
      if (cancelada || (!(plano.aberta && i == 0) && sorteio < 15)) {
        item.IDSTPRCOMVEN = "6";
      } else if (!(plano.aberta && i == 0) && sorteio < 20) {
        item.IDSTPRCOMVEN = "7";
      } else {
        item.IDSTPRCOMVEN = produto->CDSETOR[0] != '\0' ? "1" : "4";
      }
      // A reserved table has an item on every seat.
      const int lugar =
          plano.papel == Papel::Reserva && i < lugares ? i + 1 : random_.between(1, lugares);
      numero(item.NRLUGARMESA, "%02llu", static_cast<unsigned long long>(lugar));
      minuto = std::min(minuto + random_.between(1, 12), plano.minuto + std::max(janela, 3));
      // The open sales' items were all ordered before the day ended.
      if (plano.aberta) minuto = std::min(minuto, 24 * 60 - 1);
      textoDataHora(dia_, minuto, item.DTHRINCOMVEN);
      numero(item.CDCAIXACOLETOR, "%03llu",
             static_cast<unsigned long long>(random_.between(101, 106)));
      item.CDVENDEDOR = random_.chance(85)
                            ? venda_.CDVENDEDOR
                            : std::string(garconsDeSalao_[random_.below(garconsDeSalao_.size())]);
      // Quantities keyed in with the wrong sign are left for the bill to
      // turn around, as it does.
      if (plano.aberta && i > 0 && !produto->pesado() && random_.chance(1)) {
        item.QTPRODCOMVEN = -item.QTPRODCOMVEN;
      }

      const bool vale = item.IDSTPRCOMVEN == "1" || item.IDSTPRCOMVEN == "4";
      if (vale) {
        const double liquido = trunc2((item.VRPRECCOMVEN + item.VRPRECCLCOMVEN.value_or(0)) *
                                      std::abs(item.QTPRODCOMVEN)) -
                               item.VRDESCCOMVEN + item.VRACRCOMVEN;
        consumido += liquido;
        if (produto->cobraTaxa()) baseTaxa += liquido;
      }
      // A refill of a soft drink: its own row, left out of every bill.
      if (vale && produto->grupo == Grupo::Bebida && random_.chance(3)) {
        const std::string codigo = item.CDPRODUTO;
        const std::string lugarDoItem = item.NRLUGARMESA;
        const std::string hora = item.DTHRINCOMVEN;
        ItComandaVen& refil = novoItem(c);
        refil.CDPRODUTO = codigo;
        refil.QTPRODCOMVEN = 1;
        refil.VRPRECCOMVEN = 0;
        refil.TXPRODCOMVEN = "refil";
        refil.IDSTPRCOMVEN = "4";
        refil.NRLUGARMESA = lugarDoItem;
        refil.DTHRINCOMVEN = hora;
        refil.CDCAIXACOLETOR = "101";
        refil.CDVENDEDOR = venda_.CDVENDEDOR;
        refil.IDPRODREFIL = "S";
      }
    }
  }

  // The two joined tables of the open sales, as junction 1 of the store.
  void gravaJuncao() {
    if (mesasJuntas_.empty()) return;
    grava(loader_, JuncaoMesa{p_.CDFILIAL, p_.CDLOJA, "1"});
    for (int mesa : mesasJuntas_) {
      grava(loader_, MesaJuncao{p_.CDFILIAL, p_.CDLOJA, "1", std::to_string(mesa)});
    }
  }

  void informaProgresso() {
    if (!progresso_) return;
    const std::uint64_t permil = feito_ * 1000 / total_;
    if (permil != ultimoPermil_ || feito_ == total_) {
      ultimoPermil_ = permil;
      progresso_(feito_, total_);
    }
  }

  Loader& loader_;
  Random& random_;
  const ParametrosHistorico& p_;
  const Periodo periodo_;
  const Progresso& progresso_;
  const std::uint64_t total_;

  std::array<std::vector<std::size_t>, 9> porGrupo_;
  std::vector<std::vector<double>> precos_;  // [years back][menu item]
  std::vector<const char*> garconsDeSalao_;

  int dia_ = 0;
  int anosAtras_ = 0;
  bool noiteComMusica_ = false;
  std::vector<int> mesasAbertas_;
  std::size_t proximaMesaAberta_ = 0;
  std::vector<int> mesasJuntas_;

  unsigned long long vendas_ = 0;
  unsigned long long proximaComanda_ = kPrimeiraComanda - 1;
  std::vector<unsigned long long> itensDaComanda_;  // the last item number of each comanda
  // The rows of the sale being drawn, kept from sale to sale so that their
  // texts keep their storage.
  VendaRest venda_;
  std::vector<ComandaVen> comandasDaVenda_;
  std::vector<ItComandaVen> itensDaVenda_;
  std::size_t itens_ = 0;

  std::uint64_t feito_ = 0, ultimoPermil_ = 0;
  Resumo resumo_;
  std::vector<std::string> primeirasAbertas_, outrasAbertas_;
};

}  // namespace

Resumo gravaVendas(Loader& loader, Random& random, const ParametrosHistorico& parametros,
                   const Periodo& periodo, const Progresso& progresso) {
  Resumo resumo = Gerador(loader, random, parametros, periodo, progresso).gera();
  resumo.vendas =
      static_cast<std::uint64_t>(periodo.dias) * static_cast<std::uint64_t>(periodo.vendas_por_dia);
  return resumo;
}

}  // namespace conta::history
