#include "history/store_catalog.h"

#include <array>
#include <cstdio>

#include "history/store_rows.h"

namespace conta::history {
namespace {

// Prices are those of the history's last day; earlier years cost less.
constexpr ItemCardapio kCardapio[] = {
    // Drinks: the bar's sector; bottled goods carry a bar code.
    {"REFRI", "Refrigerante lata 350 ml", nullptr, "1.01.01", "7894900011517", 7.5, Grupo::Bebida,
     "BAR", "T18"},
    {"REFRIZERO", "Refrigerante zero lata 350 ml", nullptr, "1.01.02", "7894900700015", 7.5,
     Grupo::Bebida, "BAR", "T18"},
    {"AGUA", "Água mineral 500 ml", nullptr, "1.01.03", "7896065200018", 5.5, Grupo::Bebida, "",
     "T18"},
    {"AGUAGAS", "Água com gás 500 ml", nullptr, "1.01.04", "7896065200025", 6.0, Grupo::Bebida, "",
     "T18"},
    {"SUCOLAR", "Suco de laranja 400 ml", nullptr, "1.02.01", nullptr, 12.0, Grupo::Bebida, "BAR",
     "T18"},
    {"SUCOABAC", "Suco de abacaxi com hortelã", nullptr, "1.02.02", nullptr, 13.5, Grupo::Bebida,
     "BAR", "T18"},
    {"LIMONADA", "Limonada suíça", nullptr, "1.02.03", nullptr, 14.0, Grupo::Bebida, "BAR", "T18"},
    {"CHOPP300", "Chope claro 300 ml", "CHOPE 300ML", "1.03.01", nullptr, 11.9, Grupo::Bebida,
     "BAR", "T18"},
    {"CHOPP500", "Chope claro 500 ml", "CHOPE 500ML", "1.03.02", nullptr, 17.9, Grupo::Bebida,
     "BAR", "T18"},
    {"CERVEJA", "Cerveja 600 ml", nullptr, "1.03.03", "7891149108718", 16.9, Grupo::Bebida, "BAR",
     "T18"},
    {"LONGNECK", "Cerveja long neck 355 ml", nullptr, "1.03.04", "7891991010856", 12.9,
     Grupo::Bebida, "BAR", "T18"},
    {"CAIPIRINHA", "Caipirinha de limão", "CAIPIRINHA", "1.04.01", nullptr, 22.0, Grupo::Drinque,
     "BAR", "T18"},
    {"CAIPIROSKA", "Caipiroska de morango", "CAIPIROSKA", "1.04.02", nullptr, 26.0, Grupo::Drinque,
     "BAR", "T18"},
    {"GINTONICA", "Gim tônica", nullptr, "1.04.03", nullptr, 32.0, Grupo::Drinque, "BAR", "T18"},
    {"APEROL", "Aperol spritz", nullptr, "1.04.04", nullptr, 34.0, Grupo::Drinque, "BAR", "T18"},
    {"NEGRONI", "Negroni", nullptr, "1.04.05", nullptr, 36.0, Grupo::Drinque, "BAR", "T18"},
    {"VINHOTINTO", "Vinho tinto reservado (garrafa)", "VINHO TINTO 750ML", "1.05.01",
     "7804320559001", 98.0, Grupo::Vinho, "BAR", "T18"},
    {"VINHOBRANC", "Vinho branco sauvignon (garrafa)", "VINHO BRANCO 750ML", "1.05.02",
     "7804320303178", 92.0, Grupo::Vinho, "BAR", "T18"},
    {"ESPUMANTE", "Espumante brut (garrafa)", "ESPUMANTE 750ML", "1.05.03", "7896101400228", 120.0,
     Grupo::Vinho, "BAR", "T18"},
    // Starters.
    {"FRITAS", "Batata frita", nullptr, "2.01.01", nullptr, 32.5, Grupo::Entrada, "COZ", "T12"},
    {"MANDIOCA", "Mandioca frita", nullptr, "2.01.02", nullptr, 29.0, Grupo::Entrada, "COZ", "T12"},
    {"PASTEL", "Pastéis sortidos (6 un.)", nullptr, "2.01.03", nullptr, 34.0, Grupo::Entrada, "COZ",
     "T12"},
    {"BOLINHO", "Bolinho de bacalhau (8 un.)", nullptr, "2.01.04", nullptr, 48.0, Grupo::Entrada,
     "COZ", "T12"},
    {"CALABRESA", "Calabresa acebolada", nullptr, "2.01.05", nullptr, 38.0, Grupo::Entrada, "COZ",
     "T12"},
    {"CARPACCIO", "Carpaccio", nullptr, "2.01.06", nullptr, 46.0, Grupo::Entrada, "COZ", "T12"},
    {"PAES", "Cesta de pães da casa", nullptr, "2.01.07", nullptr, 18.0, Grupo::Entrada, "COZ",
     "T12"},
    // Main dishes.
    {"PF", "Prato executivo do dia", "PRATO EXECUTIVO", "3.01.01", nullptr, 39.9, Grupo::Prato,
     "COZ", "T12"},
    {"FILEPARM", "Filé à parmegiana", nullptr, "3.01.02", nullptr, 79.0, Grupo::Prato, "COZ",
     "T12"},
    {"FRANGOGREL", "Frango grelhado com legumes", nullptr, "3.01.03", nullptr, 52.0, Grupo::Prato,
     "COZ", "T12"},
    {"SALMAO", "Salmão grelhado com arroz de brócolis", nullptr, "3.01.04", nullptr, 89.0,
     Grupo::Prato, "COZ", "T12"},
    {"RISOTO", "Risoto de cogumelos", nullptr, "3.01.05", nullptr, 68.0, Grupo::Prato, "COZ",
     "T12"},
    {"FEIJOADA", "Feijoada completa", nullptr, "3.01.06", nullptr, 64.0, Grupo::Prato, "COZ",
     "T12"},
    {"MOQUECA", "Moqueca de peixe (2 pessoas)", nullptr, "3.01.07", nullptr, 138.0, Grupo::Prato,
     "COZ", "T12"},
    {"LASANHA", "Lasanha à bolonhesa", nullptr, "3.01.08", nullptr, 58.0, Grupo::Prato, "COZ",
     "T12"},
    {"SALADA", "Salada Caesar", nullptr, "3.01.09", nullptr, 44.0, Grupo::Prato, "COZ", "T12"},
    {"HAMBURGUER", "Hambúrguer da casa com fritas", nullptr, "3.01.10", nullptr, 49.0, Grupo::Prato,
     "COZ", "T12"},
    // By the kilo: the quantity is the weight.
    {"PICANHA", "Picanha na brasa (kg)", nullptr, "4.01.01", nullptr, 169.9, Grupo::PorQuilo, "COZ",
     "T12"},
    {"COSTELA", "Costela no bafo (kg)", nullptr, "4.01.02", nullptr, 119.9, Grupo::PorQuilo, "COZ",
     "T12"},
    {"BUFFETKG", "Buffet por quilo", "BUFFET KG", "4.02.01", nullptr, 89.9, Grupo::PorQuilo, "COZ",
     "T12"},
    {"CAMARAOKG", "Camarão na chapa (kg)", nullptr, "4.01.03", nullptr, 219.0, Grupo::PorQuilo,
     "COZ", "T12"},
    // Desserts and coffee.
    {"PUDIM", "Pudim de leite", nullptr, "5.01.01", nullptr, 19.0, Grupo::Sobremesa, "COZ", "T12"},
    {"PETIT", "Petit gâteau com sorvete", nullptr, "5.01.02", nullptr, 32.0, Grupo::Sobremesa,
     "COZ", "T12"},
    {"SORVETE", "Taça de sorvete (2 bolas)", nullptr, "5.01.03", nullptr, 18.0, Grupo::Sobremesa,
     "COZ", "T12"},
    {"MOUSSE", "Mousse de maracujá", nullptr, "5.01.04", nullptr, 17.0, Grupo::Sobremesa, "COZ",
     "T12"},
    {"CAFE", "Café expresso", nullptr, "6.01.01", nullptr, 7.0, Grupo::Cafe, "BAR", "S05"},
    {"CAPUCCINO", "Cappuccino", nullptr, "6.01.02", nullptr, 12.0, Grupo::Cafe, "BAR", "S05"},
    // Counter goods, taken away: no service charge.
    {"BALA", "Bala de menta", nullptr, "7.01.01", "7896058252215", 1.5, Grupo::Balcao, "", "T18"},
    {"CHOCOLATE", "Chocolate ao leite 25 g", nullptr, "7.01.02", "7622300991456", 6.5,
     Grupo::Balcao, "", "T18"},
    {"DOCELEITE", "Doce de leite para viagem 400 g", nullptr, "7.01.03", "7896275900110", 24.0,
     Grupo::Balcao, "", "T18"},
};

constexpr Garcom kGarcons[] = {
    {"G01", "Ana", 10, "S"},     {"G02", "Bruno", 8, "S"},   {"G03", "Carla", 0, "N"},
    {"G04", "Diego", 10, "S"},   {"G05", "Elaine", 10, "S"}, {"G06", "Fábio", 8, "S"},
    {"G07", "Gisele", 10, "S"},  {"G08", "Heitor", 5, "S"},  {"G09", "Iara", 10, "S"},
    {"G10", "Jorge", 10, "N"},   {"G11", "Kátia", 8, "S"},   {"G12", "Luís", 0, "N"},
    {"G13", "Marcela", 10, "S"}, {"G14", "Nelson", 10, "S"}, {"GER1", "Gerência", 0, "N"},
};

// Company accounts whose staff eat at the store on the company's card.
constexpr ClienteConsumidores kClientes[] = {{"0000000002", 30}, {"0000000003", 24}};

constexpr const char* kNomes[] = {"Ana",      "Beatriz", "Carlos",  "Daniela",  "Eduardo",
                                  "Fernanda", "Gustavo", "Helena",  "Igor",     "Juliana",
                                  "Leonardo", "Mariana", "Nicolas", "Patrícia", "Rafael",
                                  "Sabrina",  "Tiago",   "Vanessa", "Wagner",   "Yasmin"};
constexpr const char* kSobrenomes[] = {"Almeida", "Barbosa", "Cardoso", "Dias",     "Ferreira",
                                       "Gomes",   "Lima",    "Martins", "Nunes",    "Oliveira",
                                       "Pereira", "Ribeiro", "Santos",  "Teixeira", "Vieira"};

}  // namespace

std::span<const ItemCardapio> cardapio() {
  return kCardapio;
}

std::span<const Garcom> garcons() {
  return kGarcons;
}

std::span<const ClienteConsumidores> clientesComConsumidores() {
  return kClientes;
}

void gravaCadastros(Loader& loader, Random& random, const ParametrosHistorico& p) {
  const std::string& filial = p.CDFILIAL;
  const std::string& loja = p.CDLOJA;
  grava(loader, Filial{filial});
  // Production control on: items of a product with a sector are made
  // there (status "1"), the others are served as they are (status "4").
  grava(loader, Loja{filial, loja, "S"});

  for (const Garcom& g : kGarcons) {
    grava(loader, Vendedor{g.CDVENDEDOR, g.NMFANVEN, g.VRPERCCOMISVEND, g.IDVRINCIDECONTA});
  }

  grava(loader, Cliente{p.CDCLIENTE, "Consumidor Final"});
  grava(loader, Cliente{"0000000002", "Construtora Horizonte Ltda"});
  grava(loader, Cliente{"0000000003", "Clínica Bem Estar S/S"});
  for (const ClienteConsumidores& c : kClientes) {
    for (int i = 1; i <= c.consumidores; ++i) {
      char codigo[16];
      std::snprintf(codigo, sizeof codigo, "C%03d", i);
      // One draw a statement: the order of the draws is the seed's contract.
      std::string nome = kNomes[random.below(std::size(kNomes))];
      nome += std::string(" ") + kSobrenomes[random.below(std::size(kSobrenomes))];
      grava(loader, Consumidor{c.CDCLIENTE, codigo, nome, i % 5 == 0 ? "02" : "01"});
      // A few of a company's staff have their usual dishes registered.
      if (i % 4 == 1) {
        for (const char* produto : {"PF", "SALADA", "SUCOLAR"}) {
          grava(loader, ProdRaliment{filial, produto, c.CDCLIENTE, codigo});
        }
      }
    }
  }

  grava(loader, Imposto{"T18", "T", "01"});
  grava(loader, Imposto{"T12", "T", "02"});
  grava(loader, Imposto{"S05", "S", "03"});
  const std::array<std::pair<const char*, double>, 3> aliquotas = {
      {{"T18", 18}, {"T12", 12}, {"S05", 5}}};
  auto aliquota = [&](const char* imposto) {
    for (const auto& [codigo, valor] : aliquotas) {
      if (std::string_view(codigo) == imposto) return valor;
    }
    return 0.0;
  };

  for (const ItemCardapio& item : kCardapio) {
    Produto produto;
    produto.CDPRODUTO = item.CDPRODUTO;
    produto.NMPRODUTO = item.NMPRODUTO;
    if (item.NMPRODIMPFIS != nullptr) produto.NMPRODIMPFIS = item.NMPRODIMPFIS;
    produto.CDARVPROD = item.CDARVPROD;
    if (item.CDBARPRODUTO != nullptr) produto.CDBARPRODUTO = item.CDBARPRODUTO;
    produto.IDCOBTXSERV = item.cobraTaxa() ? "S" : "N";
    produto.IDPESAPROD = item.pesado() ? "S" : "N";
    grava(loader, produto);
    grava(loader, ProdLoja{filial, loja, item.CDPRODUTO, item.CDSETOR});
    grava(loader, AliqImpFis{filial, item.CDPRODUTO, item.CDIMPOSTO, aliquota(item.CDIMPOSTO)});
  }
  // The charge products of the parameters: one tax each, known to the
  // fiscal printer, so a store that prints through one can sell them.
  const std::array<std::pair<const std::string*, const char*>, 3> cobrancas = {
      {{&p.CDPRODCOUVER, "Couvert artístico"},
       {&p.CDPRODCONSUM, "Consumação mínima"},
       {&p.CDPRODCONSUF, "Consumação mínima"}}};
  int ramo = 1;
  for (const auto& [codigo, nome] : cobrancas) {
    char arvore[24];
    std::snprintf(arvore, sizeof arvore, "9.01.%02d", ramo++);
    grava(loader, Produto{*codigo, nome, std::nullopt, arvore, std::nullopt, "N", "N"});
    grava(loader, ProdLoja{filial, loja, *codigo, "CX"});
    grava(loader, AliqImpFis{filial, *codigo, "T18", 18});
  }
}

}  // namespace conta::history
