// The texts of the message table msgPadrao: 53 entries "KEY|text", in table
// order. The bill rules use six of them (the charge products that cannot be
// sold for tax reasons); the others are labels and messages of the
// restaurant front end, carried with the module.
#include "frame/message_table.h"

namespace Srv_Xol41260 {

std::vector<std::string> mensagensPadrao() {
  return {
      "Principal|Principal",
      "NrVenda|Nº da Venda",
      "NrComanda|Nº da Comanda",
      "NmComanda|Nome da Comanda",
      "FILIAL|Filial",
      "Prod_NCad|Produto não cadastrado.",
      "Preco_deve|O preço do produto deve ser informado.",
      "TabePrec|Tabela de Preços",
      "Vigencia|Vigência",
      "Ped_N_Env|Pedido não enviado à produção.",
      "CONSUMIN|Consumação mínima",
      "Couver_True|Retirar Co&uvert",
      "Couver_False|Cobrar Co&uvert",
      "Taxa_True|Retirar &Taxa de Serviço",
      "Taxa_False|Cobrar &Taxa de Serviço",
      "Consuma_True|Retirar Co&nsumação",
      "Consuma_False|Cobrar Co&nsumação",
      "Comanda|Comanda",
      "Oper_S_Aces|Operador sem acesso a esta operação.",
      "Garcom|Garçom",
      "ConsMin|Consumação Mínima",
      "FALTA_TIPO_IMPNF|Tipo da impressora não fiscal não informado.",
      "FALTA_PORTA_IMPNF|Porta da impressora não fiscal não informada.",
      "ERRO_IMP|Erro na impressão.",
      "Desc_True|Retirar &Desconto",
      "Desc_False|Conceder &Desconto",
      "S_VAL|Sem valor",
      "P_S_VAL|Produto sem valor.",
      "AliqNaoCad|Alíquota não cadastrada.",
      "RelGerencial|Relatório Gerencial",
      "IMPOSTO_ERR_CON|Produto para cobrança da Consumação Mínima não pode ser vendido, pois "
      "possui mais de um imposto parametrizado.",
      "IMPOSTO_ERR|Produto para cobrança do Couvert Artístico não pode ser vendido, pois possui "
      "mais de um imposto parametrizado.",
      "IMPOS_NCAD|Produto para cobrança do Couvert Artístico não pode ser vendido, pois não possui "
      "um imposto parametrizado.",
      "IMPOS_NCAD_CON|Produto para cobrança da Consumação Mínima não pode ser vendido, pois não "
      "possui um imposto parametrizado.",
      "ALIQ_NCAD|Alíquota do Produto para cobrança de Couvert Artístico não cadastrado na "
      "impressora Fiscal.",
      "ALIQ_NCAD_CON|Alíquota do Produto para cobrança de Consumação Mínima não cadastrado na "
      "impressora Fiscal",
      "COUV_SPREC|Produto do couvert sem preço cadastrado.",
      "CONS_SPREC|Produto da consumação sem preço cadastrado.",
      "FALTA_TIPO_IMPFI|Tipo da impressora fiscal não informado.",
      "FALTA_PORTA_IMPFI|Porta da impressora fiscal não informada.",
      "ECFERRADO|A impressora fiscal conectada não é a cadastrada para este caixa.",
      "IMPERRO|Erro de comunicação com a impressora fiscal.",
      "DSCOMANDA|Descrição da Comanda",
      "MESA|Mesa",
      "Coman_N_Enc|Comanda não encontrada.",
      "Cons_Masc|Consumação masculina",
      "Cons_Fem|Consumação feminina",
      "PRECNCAD|Preço não cadastrado.",
      "PROD_CONS_S_PR|Produto da consumação sem preço.",
      "VigenciaCli|Vigência do cliente",
      "VigenciaPar|Vigência dos parâmetros",
      "Prod_bloqueado|Produto bloqueado para venda.",
      "VigenciaLoj|Vigência da loja",
  };
}

}  // namespace Srv_Xol41260
