// The data module's lifecycle, connection, transactions, datasets and
// message table.
#include "frame/data_module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "conta/conta.h"
#include "conta/packet_codecs.h"
#include "platform/db/database_error.h"
#include "platform/host_directory.h"
#include "support/geralxol.h"
#include "support/test_databases.h"

namespace {

using Srv_Xol41260::dataModule;
using Srv_Xol41260::dtmFuncoesRev;
using Srv_Xol41260::TdtmFuncoesRev;

// A store database on SQLite, named as the module's connection string; the
// test counts how often the module asks for that string.
class DataModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_unique<conta::testing_support::TestDatabase>("sqlite");
    Geralxol::setConnectionString(store_->connectionString());
    module_ = &dataModule();
    module_->adcFuncoesRev.close();
    original_ = module_->adcFuncoesRev.beforeConnect;
    module_->adcFuncoesRev.beforeConnect = [this](conta::db::Connection& c) {
      ++asked_;
      original_(c);
    };
  }
  void TearDown() override {
    module_->adcFuncoesRev.beforeConnect = original_;
    if (module_->adcFuncoesRev.inTransaction()) module_->adcFuncoesRev.rollback();
    module_->adcFuncoesRev.close();
    Geralxol::setConnectionString(std::nullopt);
  }

  std::unique_ptr<conta::testing_support::TestDatabase> store_;
  TdtmFuncoesRev* module_ = nullptr;
  std::function<void(conta::db::Connection&)> original_;
  int asked_ = 0;
};

// Every exported operation holds the module lock: while another thread
// holds it, an operation returns only after that thread let it go.
TEST_F(DataModuleTest, EveryExportedOperationWaitsForTheModuleLock) {
  module_->adcFuncoesRev.open();
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"StartTrans", [&] { module_->StartTrans(); }},
      {"CommitTrans", [&] { module_->CommitTrans(); }},
      {"RollbackTrans", [&] { module_->RollbackTrans(); }},
      {"PrxItemComanda", [&] { (void)module_->PrxItemComanda(L"0001", L"0012", 1); }},
      {"getListaCmd", [&] { (void)module_->getListaCmd(L"0001", L"0012"); }},
      {"InicializaForm", [&] { module_->InicializaForm(); }},
  };
  for (const auto& [name, operation] : operations) {
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    std::thread holder([&] {
      Srv_Xol41260::ModuleLock lock;
      held = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      released = true;
    });
    while (!held)
      std::this_thread::yield();
    operation();
    EXPECT_TRUE(released) << name << " ran while another thread held the module lock";
    holder.join();
  }
}

TEST_F(DataModuleTest, FirstUseCreatesOneModuleThatConnectsOnce) {
  EXPECT_EQ(module_, dtmFuncoesRev);
  EXPECT_EQ(&dataModule(), module_);  // later uses reuse it
  EXPECT_EQ(module_->owner(), nullptr);
  module_->adcFuncoesRev.open();
  module_->adcFuncoesRev.open();
  EXPECT_EQ(asked_, 1);
  EXPECT_TRUE(module_->adcFuncoesRev.connected());
  // The connection string the module fetched replaced the provider it began with.
  EXPECT_EQ(module_->adcFuncoesRev.connectionString(), store_->connectionString());
}

TEST_F(DataModuleTest, AFailedConnectionLeavesTheModuleAndTheNextOpenAsksAgain) {
  Geralxol::setConnectionString("sqlite:" + std::string(CONTA_TEST_TMP) + "/no-such-store.db");
  EXPECT_THROW(module_->adcFuncoesRev.open(), conta::db::DatabaseError);
  EXPECT_EQ(dtmFuncoesRev, module_);
  EXPECT_FALSE(module_->adcFuncoesRev.connected());
  Geralxol::setConnectionString(store_->connectionString());
  module_->adcFuncoesRev.open();
  EXPECT_EQ(asked_, 2);
  EXPECT_TRUE(module_->adcFuncoesRev.connected());
}

TEST_F(DataModuleTest, TransactionsAreJoinedNotNestedAndEndOnlyWhenOpen) {
  module_->adcFuncoesRev.open();
  EXPECT_NO_THROW(module_->CommitTrans());
  EXPECT_NO_THROW(module_->RollbackTrans());
  module_->StartTrans();
  EXPECT_TRUE(module_->adcFuncoesRev.inTransaction());
  EXPECT_NO_THROW(module_->StartTrans());  // joins the open one
  module_->RollbackTrans();
  EXPECT_FALSE(module_->adcFuncoesRev.inTransaction());  // one rollback ended it
  module_->StartTrans();
  module_->CommitTrans();
  EXPECT_FALSE(module_->adcFuncoesRev.inTransaction());
}

conta::DataPacket twoComandas() {
  conta::DataPacket p;
  p.fields.emplace_back("NRCOMANDA", conta::FieldType::String, 10);
  p.rows.push_back({0, {conta::Variant("0012")}});
  p.rows.push_back({0, {conta::Variant("0013")}});
  return p;
}

TEST_F(DataModuleTest, LoadedDatasetsKeepNoChangeLogButTheSwitchesDo) {
  module_->cdsComandas.setData(twoComandas());
  module_->cdsComandas.first();
  module_->cdsComandas.remove();
  EXPECT_EQ(module_->cdsComandas.changeCount(), 0u);
  EXPECT_EQ(module_->cdsComandas.data().rows.size(), 1u);
  EXPECT_FALSE(module_->cdsComandas.data().hasChangeLog());

  module_->cdsComandaVal.setData(twoComandas());
  module_->cdsComandaVal.first();
  module_->cdsComandaVal.remove();
  EXPECT_EQ(module_->cdsComandaVal.changeCount(), 1u);  // no handler switches its log off

  for (conta::ClientDataSet* d : {&module_->cdsItComanda, &module_->cdsCmdAgrupada,
                                  &module_->cdsParametrosXol, &module_->cdsItemComandas}) {
    d->setData(twoComandas());
    EXPECT_FALSE(d->logChanges()) << d->name();
  }
}

TEST_F(DataModuleTest, TheFiscalRateTableKeepsItsFieldsAndIndex) {
  conta::DataPacket rates;
  rates.fields = {conta::Field("IDALIQIMPFIS", conta::FieldType::String, 1),
                  conta::Field("VRALIQIMPFIS", conta::FieldType::Float),
                  conta::Field("CDALIQIMPFIS", conta::FieldType::String, 10)};
  rates.rows.push_back({0, {conta::Variant("T"), conta::Variant(18.0), conta::Variant("T18")}});
  rates.rows.push_back({0, {conta::Variant("S"), conta::Variant(5.0), conta::Variant("S05")}});
  rates.rows.push_back({0, {conta::Variant("T"), conta::Variant(7.0), conta::Variant("T07")}});
  module_->cdsAliqImpFis.setData(rates);
  std::vector<std::string> order;
  for (module_->cdsAliqImpFis.first(); !module_->cdsAliqImpFis.eof();
       module_->cdsAliqImpFis.next()) {
    order.push_back(module_->cdsAliqImpFis.fieldByName("CDALIQIMPFIS").asString());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"S05", "T07", "T18"}));
  EXPECT_FALSE(module_->cdsAliqImpFis.logChanges());

  conta::DataPacket wrong;
  wrong.fields = {conta::Field("CDALIQIMPFIS", conta::FieldType::String, 10)};
  EXPECT_THROW(module_->cdsAliqImpFis.setData(wrong), conta::DataSetError);
}

TEST(MessageTableTest, HoldsFiftyThreeEntriesAndTheSixTextsByteForByte) {
  const Messages::TMessages& table = dataModule().msgPadrao;
  ASSERT_EQ(table.entries().size(), 53u);
  EXPECT_EQ(table.entries().front().substr(0, 10), "Principal|");
  EXPECT_EQ(table.entries().back().substr(0, 12), "VigenciaLoj|");
  EXPECT_EQ(table.Msg("IMPOSTO_ERR_CON"),
            "Produto para cobran\xC3\xA7"
            "a da Consuma\xC3\xA7\xC3\xA3o M\xC3\xADnima n\xC3\xA3o "
            "pode ser vendido, pois possui mais de um imposto parametrizado.");
  EXPECT_EQ(table.Msg("IMPOS_NCAD_CON"),
            "Produto para cobran\xC3\xA7"
            "a da Consuma\xC3\xA7\xC3\xA3o M\xC3\xADnima n\xC3\xA3o "
            "pode ser vendido, pois n\xC3\xA3o possui um imposto parametrizado.");
  EXPECT_EQ(table.Msg("ALIQ_NCAD_CON"),
            "Al\xC3\xADquota do Produto para cobran\xC3\xA7"
            "a de Consuma\xC3\xA7\xC3\xA3o "
            "M\xC3\xADnima n\xC3\xA3o cadastrado na impressora Fiscal");
  EXPECT_EQ(table.Msg("IMPOSTO_ERR"),
            "Produto para cobran\xC3\xA7"
            "a do Couvert Art\xC3\xADstico n\xC3\xA3o pode ser "
            "vendido, pois possui mais de um imposto parametrizado.");
  EXPECT_EQ(table.Msg("IMPOS_NCAD"),
            "Produto para cobran\xC3\xA7"
            "a do Couvert Art\xC3\xADstico n\xC3\xA3o pode ser "
            "vendido, pois n\xC3\xA3o possui um imposto parametrizado.");
  EXPECT_EQ(table.Msg("ALIQ_NCAD"),
            "Al\xC3\xADquota do Produto para cobran\xC3\xA7"
            "a de Couvert Art\xC3\xADstico n\xC3\xA3o "
            "cadastrado na impressora Fiscal.");
  std::set<std::string> keys;
  for (const auto& entry : table.entries())
    keys.insert(entry.substr(0, entry.find('|')));
  EXPECT_EQ(keys.size(), 53u);
}

TEST(PackageEntryTest, FinalizeLeavesTheDataModuleAlive) {
  Initialize();
  const conta_package_info* info = GetPackageInfoTable();
  ASSERT_NE(info, nullptr);
  EXPECT_STREQ(info->units[info->unit_count - 1].name, "Srv_Xol41260");
  for (int i = 0; i < info->unit_count; ++i)
    EXPECT_EQ(info->units[i].initialized, 1);

  conta::testing_support::TestDatabase store("sqlite");
  Geralxol::setConnectionString(store.connectionString());
  TdtmFuncoesRev* before = &dataModule();
  before->adcFuncoesRev.open();
  Finalize();
  for (int i = 0; i < info->unit_count; ++i)
    EXPECT_EQ(info->units[i].initialized, 0);
  EXPECT_EQ(dtmFuncoesRev, before);
  EXPECT_TRUE(before->adcFuncoesRev.connected());
  EXPECT_NO_THROW(before->StartTrans());
  before->RollbackTrans();
  before->adcFuncoesRev.close();
  Geralxol::setConnectionString(std::nullopt);
}

}  // namespace
