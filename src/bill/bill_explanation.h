// The explanation a bill hands its host beside the fourteen entries: the
// bill's items by comanda and seat with the amount each adds, and every
// charge with the figures of its rule, or why it was not billed. Hosts read
// it as JSON text (conta_calcula_explicada); the tool prints the text bill
// from it alone.
//
//   {"pessoas": 5,
//    "comandas": [{"numero": "1001", "descricao": "MESA 10",
//                  "lugares": [{"lugar": "01", "itens": [{"produto", "nome",
//                    "quantidade", "preco", "valor", "desconto", "acrescimo"}]}]}],
//    "itens": {"total", "descontos", "descontos_manuais"},
//    "taxa_servico": {"regra", "percentual", "itens_com_taxa", "descontos_somados",
//                     "descontos_que_nao_reduzem", "base", "calculada", "valor", "motivo"},
//    "consumacao_minima": {"pessoas", "preco", "minimo", "consumido", "valor", "motivo"},
//    "couvert": {"por_lugar", "unidades", "preco", "lugares", "valor", "motivo"},
//    "acrescimo_comandas", "total"}
//
// "motivo" is null for a charge billed, else {"codigo", "texto"}. The
// comandas come in the bill's order; the items of a comanda not among them
// (a charge item on a comanda of another sale) follow under their number.
#ifndef CONTA_BILL_BILL_EXPLANATION_H_
#define CONTA_BILL_BILL_EXPLANATION_H_

#include <string>

#include "bill/bill_values.h"
#include "conta/data_packet.h"
#include "conta/variant.h"

namespace Srv_Xol41260 {

std::string ExplicacaoJson(const ValoresConta& v, const conta::DataPacket& comandas,
                           const conta::DataPacket& itens);

// The bill as CalculaConta makes it (or, with `previa`, as
// CalculaContaPrevia), and its explanation in `explicacao`.
bool CalculaContaExplicada(const conta::Variant* Parametros, int ParametrosHigh,
                           conta::Variant& Resultado, bool previa, std::string& explicacao);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_BILL_EXPLANATION_H_
