// TdtmFuncoesRev: the one data module that carries all of the module's work.
// It owns the store database connection, every statement (with its texts for
// each database), the in-memory datasets and the message table, declared
// here in the order the module has always declared them.
//
// One instance lives in dtmFuncoesRev from first use until the library is
// unloaded, which frees it and closes its connection. Every call shares it,
// so calls are made one at a time: every exported operation holds the
// module lock (frame/module_lock.h) for its whole run.
//
// The class is defined across the layers: this folder declares the
// components and runs the lifecycle; the statement texts and the lookups and
// edits are defined in data/, the bill and its charge rules in bill/.
#ifndef CONTA_FRAME_DATA_MODULE_H_
#define CONTA_FRAME_DATA_MODULE_H_

#include <memory>
#include <string>
#include <vector>

#include "conta/export.h"
#include "frame/module_lock.h"
#include "frame/store_parameters.h"
#include "platform/client_dataset.h"
#include "platform/data_module.h"
#include "platform/db/connection.h"
#include "platform/db/provider.h"
#include "platform/db/statement.h"
#include "support/messages.h"

namespace conta::data {
enum class ListMatching;
}

namespace Srv_Xol41260 {

// The module's unit: its name in the package's unit table and the unit every
// failure of the module is reported under.
inline constexpr char kUnidadeModulo[] = "Srv_Xol41260";

class TdtmFuncoesRev : public conta::DataModule {
 public:
  // Creates the components with their settings, then runs DataModuleCreate.
  explicit TdtmFuncoesRev(conta::DataModule* owner);

  // ---- components, in declaration order ----
  Messages::TMessages msgPadrao;
  conta::ClientDataSet cdsItComanda;
  conta::ClientDataSet cdsCmdAgrupada;
  conta::ClientDataSet cdsParametrosXol;
  conta::db::Connection adcFuncoesRev;
  conta::db::Query adqComissVenda;
  conta::db::Query adqAliqImpFis;
  conta::db::Provider dspAliqImpFis;
  conta::ClientDataSet cdsAliqImpFis;
  conta::db::Query adqProdCouCon;
  conta::db::Provider dspProdCouCon;
  conta::db::Command acmAlteraNumIt;
  conta::db::Query adqListaComanda;
  conta::db::Provider dspListaComanda;
  conta::db::Query adqComandaAgrupada;
  conta::db::Provider dspComandaAgrupada;
  conta::db::Command acmRetiraItem;
  conta::db::Query adqLoja;
  conta::db::Query adqInsProd;
  conta::ClientDataSet cdsItemComandas;
  conta::ClientDataSet cdsComandas;
  conta::db::Command acmCalculaCouvert;
  conta::db::Query adqCouvert;
  conta::db::Provider dspItProdVend;  // packs adqItProdVend, declared further down
  conta::ClientDataSet cdsComandaVal;
  conta::db::Query adqComandaVal;
  conta::db::Provider dspComandaVal;
  conta::db::Query adqConsumaComVen;
  conta::db::Command acmRetiraItemCobranca;
  conta::db::Command acmAlteraVrConsuma;
  conta::db::Query adqProdLoja;
  conta::db::Query adqItProdVend;
  conta::db::Query adqProdConsumaCouvert;
  conta::db::Query adqLugarOcupado;
  conta::db::Query adqVerifConsumaCouvert;
  conta::db::Command acmAjustaQtdeNeg;
  // The lock of the branch's bills, taken first in every bill's transaction.
  conta::db::Query adqBloqueiaFilial;
  // Text in a numeric column of an item, which SQLite would bill as 0.
  conta::db::Query adqConfereNumeros;

  // ---- event handlers ----
  void DataModuleCreate(TdtmFuncoesRev* Sender);
  void adcFuncoesRevBeforeConnect(conta::db::Connection* Sender);
  // Each switches off the change log of its own dataset, whichever it is given.
  void cdsCmdAgrupadaAfterOpen(conta::ClientDataSet* DataSet);
  void cdsParametrosXolAfterOpen(conta::ClientDataSet* DataSet);
  void cdsItComandaAfterOpen(conta::ClientDataSet* DataSet);
  void cdsAliqImpFisAfterOpen(conta::ClientDataSet* DataSet);
  void cdsComandasAfterOpen(conta::ClientDataSet* DataSet);
  void cdsItemComandasAfterOpen(conta::ClientDataSet* DataSet);

  // ---- store parameters ----
  TParametrosLoja ParametrosLoja CONTA_GUARDED_BY(moduleMutex);
  // The first three characters of the first comanda's DSCOMANDA, set by
  // every bill.
  std::string PrefixoComanda CONTA_GUARDED_BY(moduleMutex);
  // True while a bill's transaction is open: the charge insertion then works
  // in it and leaves its end to the bill.
  bool ContaEmTransacao CONTA_GUARDED_BY(moduleMutex) = false;
  // Only to measure what they cost, never for a store in use: without the
  // lock (BloqueiaContas false) a bill runs in its transaction but does not
  // wait for the other bills of its branch; without the transaction
  // (ContaEmUmaTransacao false) it runs as every write committing on its own,
  // and takes no lock either. Either way two processes billing one table can
  // each add the same charge item.
  bool BloqueiaContas CONTA_GUARDED_BY(moduleMutex) = true;
  bool ContaEmUmaTransacao CONTA_GUARDED_BY(moduleMutex) = true;

  // ---- public operations ----
  // Loads the store parameters (PARAMETROSXOL.CDS) and the fiscal-rate table
  // (Dados/Cadastros/AliqImpFis.cds) from the host directory, in either file
  // format, unless the parameters are loaded already. A missing file is
  // skipped; an unreadable file or a missing field is an error naming the
  // file (and the field).
  CONTA_EXPORT void InicializaForm();

  // Each lookup and edit catches every failure and answers with the error
  // text (ADOExceptionMessage) in place of its result; the data module stays
  // usable. Texts arrive wide and are bound as UTF-8.

  // The comandas of the list and of the tables joined to theirs (open sales,
  // status not "4"): the packet of dspListaComanda (30 columns).
  [[nodiscard]] CONTA_EXPORT conta::Variant getListaCmd(const std::wstring& CDFILIAL,
                                                        const std::wstring& LCOMANDA);
  // How many comandas of the branch name DSCOMANDA as their principal: a
  // packet of one row, column NRPESSOAS.
  [[nodiscard]] CONTA_EXPORT conta::Variant getCmdAgrupada(const std::wstring& CDFILIAL,
                                                           const std::wstring& DSCOMANDA);
  // The charge switches of the same comandas as getListaCmd (the store code
  // takes no part). The query stays open until the next call.
  [[nodiscard]] CONTA_EXPORT conta::Variant getComandaVal(const std::wstring& CDFILIAL,
                                                          const std::wstring& CDLOJA,
                                                          const std::wstring& LCOMANDA);
  // The items of the listed comandas of open sales, priced and grouped: the packet of
  // dspItProdVend (28 fields). Seats: "T" for all, else a code list; the
  // exclusion list empty for none. The query stays open until the next call.
  [[nodiscard]] CONTA_EXPORT conta::Variant GetItProdVend(const std::wstring& CDFILIAL,
                                                          const std::wstring& NRCOMANDA,
                                                          const std::wstring& NRLUGARMESA,
                                                          const std::wstring& LNRPRODCOMVEN);
  // Deletes every item of a product from the listed comandas of open sales;
  // an empty variant on success.
  [[nodiscard]] CONTA_EXPORT conta::Variant SetRetiraItem(const std::wstring& CDFILIAL,
                                                          const std::wstring& NRCOMANDA,
                                                          const std::wstring& CDPRODUTO);
  // Turns negative item quantities of the listed comandas of open sales
  // positive; an empty variant on success.
  [[nodiscard]] CONTA_EXPORT conta::Variant AjustaQtdeNeg(const std::wstring& CDFILIAL,
                                                          const std::wstring& NRCOMANDA);

  // Stores the service charge on every comanda of the list (a substring
  // test) of an open sale as its seller commission; an empty variant on
  // success.
  [[nodiscard]] CONTA_EXPORT conta::Variant SetComisVenda(const std::wstring& CDFILIAL,
                                                          const std::wstring& NRCOMANDA,
                                                          double VRCOMISVENDE);

  // The taxes of a product in the branch: a packet of VRPEALIMPFIS,
  // CDIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO, one row per ALIQIMPFIS row that
  // has its IMPOSTO row.
  [[nodiscard]] CONTA_EXPORT conta::Variant getImposto(const std::wstring& CDFILIAL,
                                                       const std::wstring& CDPRODUTO);
  // Every column of the product's PRODUTO row (no row when it has none).
  [[nodiscard]] CONTA_EXPORT conta::Variant GetProdCouCon(const std::wstring& CDPRODUTO);

  // Writes a charge item into a comanda: one row holding the whole
  // quantity, or, for a "RES" comanda of a store whose IDLUGARMESA is "S",
  // one unit on every seat in use and on seats 1 to the quantity that lack
  // it. Every row takes its number from PrxItemComanda. The empty text on
  // success, else the error text. It works in a transaction of its own,
  // rolled back on any failure; when the caller holds one open (a bill, or a
  // host's StartTrans), it works in that one and leaves its end to the
  // caller, who rolls back on a failure answer.
  // CDCLIENTE is accepted and not read.
  [[nodiscard]] CONTA_EXPORT conta::Variant setIncluiConsumaCouvert(
      const std::wstring& CDFILIAL, const std::wstring& NRVENDAREST, const std::wstring& NRCOMANDA,
      const std::wstring& CDPRODUTO, double QTPRODCOMVEN, const std::wstring& CDLOJA,
      double VRPRECCOMVEN, const std::wstring& CDCLIENTE);
  // The comanda's next item number from the next-number service ("000007"),
  // or the service's failure text in its place: it never raises.
  [[nodiscard]] CONTA_EXPORT std::wstring PrxItemComanda(const std::wstring& CDFILIAL,
                                                         const std::wstring& NRCOMANDA, int n);

  // ---- charge rules ----
  // The service charge: computes it from `base` (the chargeable items, or the
  // waiters' commissions in mode "G") and the two discount sums by the
  // store's flags into `VrTaxaCalculada`, applies it when `aplica`, stores
  // the applied value rounded to two decimals on every comanda of the list,
  // and returns the applied value (not rounded).
  CONTA_EXPORT double IncluiTaxa(const std::string& ListaComandas, double base,
                                 double VrDescontoManual, double VrTotalDesconto, bool aplica,
                                 double& VrTaxaCalculada);

  // The minimum consumption charge: minimum - consumido when the comanda
  // consumed less, else 0 (then nothing is checked or written). The charge
  // product must pass the fiscal printer's check when the store prints
  // through one. The charge is added as a new item of quantity 1 (in the
  // database and in cdsItemComandas, whatever dataset is passed) or, when
  // `reprecifica`, re-prices the item already there.
  CONTA_EXPORT double IncluiConsuma(conta::ClientDataSet& itens, double consumido, double minimo,
                                    const std::string& produto, const std::string& venda,
                                    const std::string& comanda, double pessoas, bool reprecifica);
  // Re-prices the consumption item of a comanda so that its rows add up to
  // VRPRECCOMVEN: the first item number takes the whole difference and the
  // time of the change. The comanda's own rows decide. When the comanda
  // holds no row of the product, the item is added as
  // setIncluiConsumaCouvert adds it. The empty text on success, else the
  // error text.
  [[nodiscard]] CONTA_EXPORT conta::Variant setAlteraVrConsuma(
      const std::wstring& CDFILIAL, const std::wstring& NRVENDAREST, const std::wstring& NRCOMANDA,
      const std::wstring& CDPRODUTO, double QTPRODCOMVEN, const std::wstring& CDLOJA,
      double VRPRECCOMVEN, const std::wstring& CDCLIENTE);

  // The cover: brings the bill's cover item to `unidades` units and returns
  // unidades × PRECOCOUVERT (the stored price, not cut). A cover row in
  // `itens` (its code compared without regard to case), or stored on the
  // comanda on a seat `itens` does not show, is re-counted in the database
  // and left as it is in memory; otherwise, or at a reserved table of a
  // store that bills by seat, the cover product must pass the fiscal
  // printer's check, the item is added through setIncluiConsumaCouvert and a
  // row is added to `itens`.
  CONTA_EXPORT double IncluiCouver(conta::ClientDataSet& itens, const std::string& comanda,
                                   const std::string& venda, double unidades);
  // Sets the quantity of the cover items of the listed comandas of open
  // sales: the persons when there is one, one unit each when there are
  // several or the table is a reserved one billed by seat. The other
  // comandas of their sales are not touched, and the sale argument is not
  // used. An empty variant on success.
  [[nodiscard]] CONTA_EXPORT conta::Variant setCalculaCouvert(const std::wstring& CDFILIAL,
                                                              const std::wstring& NRVENDAREST,
                                                              const std::wstring& NRCOMANDA,
                                                              const std::wstring& CDPRODUTO,
                                                              double QTPRODCOMVEN);
  // Sets the quantity of a product on one comanda; an empty variant on
  // success.
  [[nodiscard]] CONTA_EXPORT conta::Variant SetAlteraNumIt(const std::wstring& CDFILIAL,
                                                           const std::wstring& NRVENDAREST,
                                                           const std::wstring& NRCOMANDA,
                                                           const std::wstring& CDPRODUTO,
                                                           double QTPRODCOMVEN);

  // Begins a transaction only when none is open: an open one is joined.
  CONTA_EXPORT void StartTrans();
  // Commits only when a transaction is open; otherwise does nothing.
  CONTA_EXPORT void CommitTrans();
  // Rolls back only when a transaction is open; otherwise does nothing.
  CONTA_EXPORT void RollbackTrans();

  // The form the statements that test the comanda list take on PostgreSQL
  // and SQLite: indexed (the default) or the plain substring test; both
  // find the same rows. Takes effect at each statement's next run.
  void useListMatching(conta::data::ListMatching form);

 private:
  // Gives every statement its texts and parameters (defined with the
  // statements, in data/).
  void defineStatements();
};

// The module's one data module; null until first use and after the library
// let it go.
extern TdtmFuncoesRev* dtmFuncoesRev CONTA_GUARDED_BY(moduleMutex) CONTA_PT_GUARDED_BY(moduleMutex);

// The data module, created (without owner) on first use.
TdtmFuncoesRev& dataModule() CONTA_REQUIRES(moduleMutex);

// Frees the data module, closing its store connection, when the library is
// unloaded: a host that loads and unloads the module again and again keeps
// one connection, not one per load. A module still in use by a call on
// another thread is left as it is.
void releaseDataModule();

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_DATA_MODULE_H_
