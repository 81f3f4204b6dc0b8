// The store's registers that its sales draw on: the menu, the waiters, the
// clients with their consumers, the taxes, the store and its tables. Fixed
// data (only the consumers' names are drawn), written once per history.
#ifndef CONTA_HISTORY_STORE_CATALOG_H_
#define CONTA_HISTORY_STORE_CATALOG_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "history/loader.h"
#include "history/random.h"
#include "history/store_files.h"

namespace conta::history {

// What a menu item is, for how it is ordered.
enum class Grupo : std::uint8_t {
  Bebida,     // by the unit, often several
  Drinque,    // cocktails
  Entrada,    // starters, shared
  Prato,      // main dishes
  PorQuilo,   // weighed (IDPESAPROD "S"): grill and buffet by the kilo
  Sobremesa,  // desserts
  Cafe,       // coffee at the end
  Vinho,      // bottles
  Balcao,     // counter goods, no service charge
};

struct ItemCardapio {
  const char* CDPRODUTO;
  const char* NMPRODUTO;
  const char* NMPRODIMPFIS;  // nullptr: the fiscal name is NMPRODUTO
  const char* CDARVPROD;
  const char* CDBARPRODUTO;  // nullptr: no bar code
  double preco;              // at the end of the history
  Grupo grupo;
  const char* CDSETOR;  // production sector; "" none (the item is served as is)
  const char* CDIMPOSTO;

  bool pesado() const { return grupo == Grupo::PorQuilo; }
  bool cobraTaxa() const { return grupo != Grupo::Balcao; }
};

std::span<const ItemCardapio> cardapio();

struct Garcom {
  const char* CDVENDEDOR;
  const char* NMFANVEN;
  double VRPERCCOMISVEND;
  const char* IDVRINCIDECONTA;
};

std::span<const Garcom> garcons();

// The store's tables are numbered 1 to kMesas.
inline constexpr int kMesas = 48;

// Consumers registered for a client: the client's code and how many
// (CDCONSUMIDOR "C001"...).
struct ClienteConsumidores {
  const char* CDCLIENTE;
  int consumidores;
};

std::span<const ClienteConsumidores> clientesComConsumidores();

// Writes the registers: branch, store, waiters, clients and consumers,
// products (the menu and the three charge products of the parameters) with
// their store rows and taxes, and the consumers' registered products.
void gravaCadastros(Loader& loader, Random& random, const ParametrosHistorico& parametros);

}  // namespace conta::history

#endif  // CONTA_HISTORY_STORE_CATALOG_H_
