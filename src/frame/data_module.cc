#include "frame/data_module.h"

#include "frame/message_table.h"
#include "frame/package_trace.h"
#include "support/geralxol.h"
#include "support/trad_utl.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace Srv_Xol41260 {

TdtmFuncoesRev* dtmFuncoesRev = nullptr;

std::recursive_mutex& moduleMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

TdtmFuncoesRev& dataModule() {
  std::lock_guard lock(moduleMutex());
  if (dtmFuncoesRev == nullptr) {
    // Created without owner and never freed: it lives until the process
    // ends, also when the library is unloaded and loaded again.
    dtmFuncoesRev = new TdtmFuncoesRev(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(dtmFuncoesRev);
#endif
    trace("data module created");
  }
  return *dtmFuncoesRev;
}

TdtmFuncoesRev::TdtmFuncoesRev(conta::DataModule* owner)
    : conta::DataModule("dtmFuncoesRev", owner),
      cdsItComanda("cdsItComanda"),
      cdsCmdAgrupada("cdsCmdAgrupada"),
      cdsParametrosXol("cdsParametrosXol"),
      adcFuncoesRev("adcFuncoesRev"),
      adqComissVenda(adcFuncoesRev, "adqComissVenda"),
      assComissVenda(adqComissVenda),
      adqAliqImpFis(adcFuncoesRev, "adqAliqImpFis"),
      dspAliqImpFis(adqAliqImpFis),
      cdsAliqImpFis("cdsAliqImpFis"),
      adqProdCouCon(adcFuncoesRev, "adqProdCouCon"),
      dspProdCouCon(adqProdCouCon),
      acmAlteraNumIt(adcFuncoesRev, "acmAlteraNumIt"),
      adqListaComanda(adcFuncoesRev, "adqListaComanda"),
      dspListaComanda(adqListaComanda),
      assListaComanda(adqListaComanda),
      adqComandaAgrupada(adcFuncoesRev, "adqComandaAgrupada"),
      dspComandaAgrupada(adqComandaAgrupada),
      acmRetiraItem(adcFuncoesRev, "acmRetiraItem"),
      adqLoja(adcFuncoesRev, "adqLoja"),
      adqInsProd(adcFuncoesRev, "adqInsProd"),
      cdsItemComandas("cdsItemComandas"),
      cdsComandas("cdsComandas"),
      acmCalculaCouvert(adcFuncoesRev, "acmCalculaCouvert"),
      adqCouvert(adcFuncoesRev, "adqCouvert"),
      assCouvert(adqCouvert),
      assRetiraItem(acmRetiraItem),
      cdsComandaVal("cdsComandaVal"),
      adqComandaVal(adcFuncoesRev, "adqComandaVal"),
      dspComandaVal(adqComandaVal),
      assComandaVal(adqComandaVal),
      adqConsumaComVen(adcFuncoesRev, "adqConsumaComVen"),
      acmRetiraItemCobranca(adcFuncoesRev, "acmRetiraItemCobranca"),
      acmAlteraVrConsuma(adcFuncoesRev, "acmAlteraVrConsuma"),
      adqProdLoja(adcFuncoesRev, "adqProdLoja"),
      adqItProdVend(adcFuncoesRev, "adqItProdVend"),
      adqProdConsumaCouvert(adcFuncoesRev, "adqProdConsumaCouvert"),
      adqLugarOcupado(adcFuncoesRev, "adqLugarOcupado"),
      adqVerifConsumaCouvert(adcFuncoesRev, "adqVerifConsumaCouvert"),
      assItProdVend(adqItProdVend),
      acmAjustaQtdeNeg(adcFuncoesRev, "acmAjustaQtdeNeg"),
      assAjustaQtdeNeg(acmAjustaQtdeNeg),
      adqBloqueiaFilial(adcFuncoesRev, "adqBloqueiaFilial"),
      assBloqueiaFilial(adqBloqueiaFilial),
      adqConfereNumeros(adcFuncoesRev, "adqConfereNumeros") {
  msgPadrao = Messages::TMessages(mensagensPadrao());
  // dspItProdVend is declared before the query it packs.
  dspItProdVend.setDataSet(adqItProdVend);

  // The connection: no login prompt; the Oracle provider until the
  // connection string replaces it before every connect.
  adcFuncoesRev.setConnectionString("Provider=MSDAORA.1;");
  adcFuncoesRev.beforeConnect = [this](conta::db::Connection& sender) {
    adcFuncoesRevBeforeConnect(&sender);
  };

  // Queries that only read are opened read-only.
  for (conta::db::Query* query :
       {&adqAliqImpFis, &adqProdCouCon, &adqListaComanda, &adqLoja, &adqCouvert, &adqComandaVal,
        &adqConsumaComVen, &adqItProdVend, &adqProdConsumaCouvert}) {
    query->setReadOnly(true);
  }

  // The fiscal-rate table: its three fields and its active index.
  cdsAliqImpFis.definePersistentField(conta::Field("CDALIQIMPFIS", conta::FieldType::String, 10));
  cdsAliqImpFis.definePersistentField(conta::Field("VRALIQIMPFIS", conta::FieldType::Float));
  cdsAliqImpFis.definePersistentField(conta::Field("IDALIQIMPFIS", conta::FieldType::String, 1));
  cdsAliqImpFis.addIndexDef({"idxIdAliqVrAliq", "IDALIQIMPFIS;VRALIQIMPFIS"});
  cdsAliqImpFis.setIndexName("idxIdAliqVrAliq");

  // The AfterOpen handlers; cdsComandaVal has none and keeps its change log.
  cdsCmdAgrupada.afterOpen = [this](conta::ClientDataSet& d) { cdsCmdAgrupadaAfterOpen(&d); };
  cdsParametrosXol.afterOpen = [this](conta::ClientDataSet& d) { cdsParametrosXolAfterOpen(&d); };
  cdsItComanda.afterOpen = [this](conta::ClientDataSet& d) { cdsItComandaAfterOpen(&d); };
  cdsAliqImpFis.afterOpen = [this](conta::ClientDataSet& d) { cdsAliqImpFisAfterOpen(&d); };
  cdsComandas.afterOpen = [this](conta::ClientDataSet& d) { cdsComandasAfterOpen(&d); };
  cdsItemComandas.afterOpen = [this](conta::ClientDataSet& d) { cdsItemComandasAfterOpen(&d); };

  defineStatements();
  DataModuleCreate(this);
}

// ---- event handlers -------------------------------------------------------------

void TdtmFuncoesRev::DataModuleCreate(TdtmFuncoesRev* Sender) {
  Trad_utl::Trad(*Sender);
}

void TdtmFuncoesRev::adcFuncoesRevBeforeConnect(conta::db::Connection* Sender) {
  // Replaces the provider and anything else set before.
  Sender->setConnectionString(Geralxol::GetStringConexXol(""));
}

void TdtmFuncoesRev::cdsCmdAgrupadaAfterOpen(conta::ClientDataSet*) {
  cdsCmdAgrupada.setLogChanges(false);
}
void TdtmFuncoesRev::cdsParametrosXolAfterOpen(conta::ClientDataSet*) {
  cdsParametrosXol.setLogChanges(false);
}
void TdtmFuncoesRev::cdsItComandaAfterOpen(conta::ClientDataSet*) {
  cdsItComanda.setLogChanges(false);
}
void TdtmFuncoesRev::cdsAliqImpFisAfterOpen(conta::ClientDataSet*) {
  cdsAliqImpFis.setLogChanges(false);
}
void TdtmFuncoesRev::cdsComandasAfterOpen(conta::ClientDataSet*) {
  cdsComandas.setLogChanges(false);
}
void TdtmFuncoesRev::cdsItemComandasAfterOpen(conta::ClientDataSet*) {
  cdsItemComandas.setLogChanges(false);
}

// ---- transactions -----------------------------------------------------------------

void TdtmFuncoesRev::StartTrans() {
  if (!adcFuncoesRev.inTransaction()) adcFuncoesRev.beginTransaction();
}

void TdtmFuncoesRev::CommitTrans() {
  if (adcFuncoesRev.inTransaction()) adcFuncoesRev.commit();
}

void TdtmFuncoesRev::RollbackTrans() {
  if (adcFuncoesRev.inTransaction()) adcFuncoesRev.rollback();
}

}  // namespace Srv_Xol41260
