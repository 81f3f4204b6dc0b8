#include "frame/data_module.h"

#include "frame/message_table.h"
#include "frame/package_trace.h"
#include "support/geralxol.h"
#include "support/trad_utl.h"

namespace Srv_Xol41260 {

ModuleMutex moduleMutex;
TdtmFuncoesRev* dtmFuncoesRev = nullptr;

TdtmFuncoesRev& dataModule() {
  if (dtmFuncoesRev == nullptr) {
    // Created without owner; it lives until the library is unloaded.
    dtmFuncoesRev = new TdtmFuncoesRev(nullptr);
    trace("data module created");
  }
  return *dtmFuncoesRev;
}

void releaseDataModule() {
  // A call still running on another thread (a host that unloads the library
  // under its own feet) keeps the module: freeing it would pull it from
  // under that call, and waiting could last forever.
  if (!moduleMutex.try_lock()) {
    trace("data module kept: a call is running");
    return;
  }
  if (dtmFuncoesRev != nullptr) {
    delete dtmFuncoesRev;
    dtmFuncoesRev = nullptr;
    trace("data module freed");
  }
  moduleMutex.unlock();
}

TdtmFuncoesRev::TdtmFuncoesRev(conta::DataModule* owner)
    : conta::DataModule("dtmFuncoesRev", owner),
      cdsItComanda("cdsItComanda"),
      cdsCmdAgrupada("cdsCmdAgrupada"),
      cdsParametrosXol("cdsParametrosXol"),
      adcFuncoesRev("adcFuncoesRev"),
      adqComissVenda(adcFuncoesRev, "adqComissVenda"),
      adqAliqImpFis(adcFuncoesRev, "adqAliqImpFis"),
      dspAliqImpFis(adqAliqImpFis),
      cdsAliqImpFis("cdsAliqImpFis"),
      adqProdCouCon(adcFuncoesRev, "adqProdCouCon"),
      dspProdCouCon(adqProdCouCon),
      acmAlteraNumIt(adcFuncoesRev, "acmAlteraNumIt"),
      adqListaComanda(adcFuncoesRev, "adqListaComanda"),
      dspListaComanda(adqListaComanda),
      adqComandaAgrupada(adcFuncoesRev, "adqComandaAgrupada"),
      dspComandaAgrupada(adqComandaAgrupada),
      acmRetiraItem(adcFuncoesRev, "acmRetiraItem"),
      adqLoja(adcFuncoesRev, "adqLoja"),
      adqInsProd(adcFuncoesRev, "adqInsProd"),
      cdsItemComandas("cdsItemComandas"),
      cdsComandas("cdsComandas"),
      acmCalculaCouvert(adcFuncoesRev, "acmCalculaCouvert"),
      adqCouvert(adcFuncoesRev, "adqCouvert"),
      cdsComandaVal("cdsComandaVal"),
      adqComandaVal(adcFuncoesRev, "adqComandaVal"),
      dspComandaVal(adqComandaVal),
      adqConsumaComVen(adcFuncoesRev, "adqConsumaComVen"),
      acmRetiraItemCobranca(adcFuncoesRev, "acmRetiraItemCobranca"),
      acmAlteraVrConsuma(adcFuncoesRev, "acmAlteraVrConsuma"),
      adqProdLoja(adcFuncoesRev, "adqProdLoja"),
      adqItProdVend(adcFuncoesRev, "adqItProdVend"),
      adqProdConsumaCouvert(adcFuncoesRev, "adqProdConsumaCouvert"),
      adqLugarOcupado(adcFuncoesRev, "adqLugarOcupado"),
      adqVerifConsumaCouvert(adcFuncoesRev, "adqVerifConsumaCouvert"),
      acmAjustaQtdeNeg(adcFuncoesRev, "acmAjustaQtdeNeg"),
      adqBloqueiaFilial(adcFuncoesRev, "adqBloqueiaFilial"),
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
  ModuleLock lock;
  if (!adcFuncoesRev.inTransaction()) adcFuncoesRev.beginTransaction();
}

void TdtmFuncoesRev::CommitTrans() {
  ModuleLock lock;
  if (adcFuncoesRev.inTransaction()) adcFuncoesRev.commit();
}

void TdtmFuncoesRev::RollbackTrans() {
  ModuleLock lock;
  if (adcFuncoesRev.inTransaction()) adcFuncoesRev.rollback();
}

}  // namespace Srv_Xol41260
