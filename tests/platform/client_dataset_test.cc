#include "platform/client_dataset.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta {
namespace {

PacketRow row(std::vector<Variant> values) {
  return {0, std::move(values)};
}

// Items of a bill: two cover items and one item without a seller.
DataPacket itemsPacket() {
  DataPacket p;
  p.fields = {Field("CDPRODUTO", FieldType::String, 10), Field("QTITEM", FieldType::Float),
              Field("VRITEM", FieldType::Float), Field("CDVENDEDOR", FieldType::String, 4),
              Field("NRSEQ", FieldType::Int32)};
  p.params = {{"LCID", Variant(1046), 0}};
  auto item = [](const char* product, double qt, double price, Variant seller, int seq) {
    return row({Variant(product), Variant(qt), Variant(price), std::move(seller), Variant(seq)});
  };
  p.rows = {item("0001", 1, 45.5, Variant("V1"), 1), item("COUV", 2, 8, Variant("V1"), 2),
            item("0002", 3, 12, Variant::null(), 3), item("COUV", 1, 8, Variant("V2"), 4),
            item("0003", 1, 9.9, Variant("V2"), 5)};
  return p;
}

// The values of one field, walking the dataset from first to eof.
std::vector<std::string> walk(ClientDataSet& ds, std::string_view field = "CDPRODUTO") {
  std::vector<std::string> out;
  for (ds.first(); !ds.eof(); ds.next())
    out.push_back(ds.fieldByName(field).asString());
  return out;
}

std::vector<std::string> column(const DataPacket& p, std::size_t field = 0) {
  std::vector<std::string> out;
  for (const auto& r : p.rows)
    out.push_back(r.values[field].isNull() ? "" : r.values[field].toText());
  return out;
}

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

using Names = std::vector<std::string>;

class ClientDataSetItemsTest : public ::testing::Test {
 protected:
  ClientDataSetItemsTest() : ds_("Itens") { ds_.setData(itemsPacket()); }
  ClientDataSet ds_;
};

TEST_F(ClientDataSetItemsTest, WalksFromFirstToEofAndBack) {
  EXPECT_TRUE(ds_.bof());
  EXPECT_FALSE(ds_.eof());
  EXPECT_EQ(ds_.recNo(), 1u);
  EXPECT_EQ(walk(ds_), (Names{"0001", "COUV", "0002", "COUV", "0003"}));
  // next() on the last record: eof, cursor stays on the last record.
  EXPECT_TRUE(ds_.eof());
  EXPECT_EQ(ds_.recNo(), 5u);
  EXPECT_EQ(ds_.fieldByName("nrseq").asInteger(), 5);
  ds_.prior();
  EXPECT_FALSE(ds_.eof());
  EXPECT_EQ(ds_.recNo(), 4u);
  ds_.first();
  ds_.prior();
  EXPECT_TRUE(ds_.bof());
  EXPECT_EQ(ds_.recNo(), 1u);
  ds_.last();
  EXPECT_TRUE(ds_.eof());
  EXPECT_EQ(ds_.recordCount(), 5u);

  DataPacket empty = itemsPacket();
  empty.rows.clear();
  ds_.setData(empty);
  ds_.first();
  EXPECT_TRUE(ds_.eof() && ds_.bof() && ds_.isEmpty());
  EXPECT_EQ(ds_.recNo(), 0u);
  EXPECT_TRUE(ds_.fieldByName("VRITEM").value().isNull());
  ds_.next();
  EXPECT_TRUE(ds_.eof());
}

TEST_F(ClientDataSetItemsTest, ReadsNullAsNullVariantAndZeroes) {
  ds_.next();
  ds_.next();
  DataSetField seller = ds_.fieldByName("CDVENDEDOR");
  EXPECT_TRUE(seller.value().isNull());
  EXPECT_TRUE(seller.isNull());
  EXPECT_EQ(seller.asString(), "");
  EXPECT_EQ(seller.asFloat(), 0.0);
  EXPECT_EQ(seller.asInteger(), 0);
  // Summing as variants keeps the NULL.
  EXPECT_TRUE((ds_.fieldByName("VRITEM").value() + seller.value()).isNull());
  EXPECT_EQ(ds_.fieldByName("VRITEM").value(), Variant(12.0));
  EXPECT_EQ(ds_.fieldByName("NRSEQ").value(), Variant(3));

  EXPECT_EQ(errorOf([&] { ds_.fieldByName("NOPE"); }), "Itens: Field 'NOPE' not found");
  EXPECT_FALSE(ds_.findField("NOPE").has_value());
}

TEST_F(ClientDataSetItemsTest, RemovesCoverItemsThroughTheFilter) {
  ds_.setLogChanges(false);
  ds_.setFiltered(false);
  ds_.setFilterText("CDPRODUTO  = 'COUV'");
  ds_.setFiltered(true);
  EXPECT_EQ(ds_.recordCount(), 2u);
  while (!ds_.isEmpty()) {
    ds_.first();
    ds_.remove();
  }
  ds_.setFiltered(false);

  EXPECT_EQ(walk(ds_), (Names{"0001", "0002", "0003"}));
  EXPECT_EQ(ds_.filterText(), "CDPRODUTO  = 'COUV'");
  EXPECT_FALSE(ds_.filtered());
  EXPECT_EQ(ds_.changeCount(), 0u);
  DataPacket data = ds_.data();
  EXPECT_EQ(column(data), (Names{"0001", "0002", "0003"}));
  EXPECT_EQ(data.findParam("CHANGE_LOG"), nullptr);
  EXPECT_NE(data.findParam("LCID"), nullptr);
  for (const auto& r : data.rows)
    EXPECT_EQ(r.state, 0);
}

TEST_F(ClientDataSetItemsTest, FilterFollowsTextAndSurvivesReload) {
  ds_.setFilterText("QTITEM > 1");
  EXPECT_EQ(ds_.recordCount(), 5u);  // not on yet
  ds_.setFiltered(true);
  EXPECT_EQ(walk(ds_), (Names{"COUV", "0002"}));
  ds_.setFilterText("CDVENDEDOR = 'V2' OR CDVENDEDOR IS NULL");
  EXPECT_EQ(walk(ds_), (Names{"0002", "COUV", "0003"}));

  // A bad text leaves the working filter in place.
  EXPECT_TRUE(contains(errorOf([&] { ds_.setFilterText("CDVENDEDOR = "); }), "position 14"));
  EXPECT_EQ(ds_.filterText(), "CDVENDEDOR = 'V2' OR CDVENDEDOR IS NULL");
  EXPECT_EQ(ds_.recordCount(), 3u);

  ds_.setData(itemsPacket());
  EXPECT_TRUE(ds_.filtered());
  EXPECT_EQ(walk(ds_), (Names{"0002", "COUV", "0003"}));

  // A posted record that fails the filter leaves the view; the cursor goes
  // on to the record that followed it.
  ds_.first();
  ds_.next();
  ds_.edit();
  ds_.fieldByName("CDVENDEDOR").setValue(Variant("V1"));
  ds_.post();
  EXPECT_EQ(ds_.recordCount(), 2u);
  EXPECT_EQ(ds_.fieldByName("CDPRODUTO").asString(), "0003");

  ds_.setFiltered(false);
  ds_.setFilterText("NOSUCHFIELD = 1");
  EXPECT_TRUE(contains(errorOf([&] { ds_.setFiltered(true); }), "field 'NOSUCHFIELD' not found"));
  EXPECT_FALSE(ds_.filtered());
}

TEST_F(ClientDataSetItemsTest, InsertsBeforeTheCurrentRecordAndAppendsAtTheEnd) {
  ds_.setLogChanges(false);
  ds_.next();
  ds_.next();  // on 0002
  ds_.insert();
  EXPECT_EQ(ds_.state(), DataSetState::Insert);
  ds_.fieldByName("CDPRODUTO").setValue(Variant("NEW1"));
  ds_.fieldByName("VRITEM").setValue(Variant("7.25"));  // text converts to the float field
  ds_.fieldByName("NRSEQ").setValue(Variant(6.0));
  ds_.post();
  EXPECT_EQ(ds_.fieldByName("CDPRODUTO").asString(), "NEW1");
  EXPECT_EQ(ds_.recNo(), 3u);
  EXPECT_EQ(ds_.fieldByName("VRITEM").value(), Variant(7.25));
  EXPECT_EQ(ds_.fieldByName("NRSEQ").value(), Variant(6));
  EXPECT_TRUE(ds_.fieldByName("QTITEM").value().isNull());

  ds_.first();
  ds_.append();
  ds_.fieldByName("CDPRODUTO").setValue(Variant("NEW2"));
  ds_.post();
  EXPECT_EQ(ds_.recNo(), 7u);
  EXPECT_EQ(column(ds_.data()), (Names{"0001", "COUV", "NEW1", "0002", "COUV", "0003", "NEW2"}));

  // The last record goes: the cursor is on the new last one, at eof.
  ds_.last();
  ds_.remove();
  EXPECT_TRUE(ds_.eof());
  EXPECT_EQ(ds_.fieldByName("CDPRODUTO").asString(), "0003");
  // Deleting in the middle moves onto the next record.
  ds_.first();
  ds_.remove();
  EXPECT_EQ(ds_.fieldByName("CDPRODUTO").asString(), "COUV");
  EXPECT_FALSE(ds_.eof());

  DataPacket empty = itemsPacket();
  empty.rows.clear();
  ds_.setData(empty);
  ds_.insert();
  ds_.fieldByName("CDPRODUTO").setValue(Variant("ONLY"));
  ds_.post();
  EXPECT_EQ(walk(ds_), (Names{"ONLY"}));
}

TEST_F(ClientDataSetItemsTest, EditsPostsAndCancels) {
  EXPECT_TRUE(contains(errorOf([&] { ds_.fieldByName("VRITEM").setValue(Variant(1.0)); }),
                       "not in edit or insert mode"));
  ds_.edit();
  ds_.fieldByName("VRITEM").setValue(Variant(50));
  EXPECT_EQ(ds_.fieldByName("VRITEM").value(), Variant(50.0));
  ds_.cancel();
  EXPECT_EQ(ds_.fieldByName("VRITEM").asFloat(), 45.5);

  ds_.edit();
  ds_.fieldByName("VRITEM").setValue(Variant(50));
  ds_.next();  // moving posts the edit
  EXPECT_EQ(ds_.state(), DataSetState::Browse);
  ds_.first();
  EXPECT_EQ(ds_.fieldByName("VRITEM").asFloat(), 50.0);

  ds_.edit();
  ds_.fieldByName("CDVENDEDOR").setValue(Variant());  // Empty becomes NULL
  EXPECT_TRUE(ds_.fieldByName("CDVENDEDOR").value().isNull());
  std::string bad = errorOf([&] { ds_.fieldByName("QTITEM").setValue(Variant("abc")); });
  EXPECT_TRUE(contains(bad, "Text 'abc'") && contains(bad, "field 'QTITEM'")) << bad;
  // A text longer than the width is kept whole, never cut.
  ds_.fieldByName("CDVENDEDOR").setValue(Variant("TOO LONG"));
  EXPECT_EQ(ds_.fieldByName("CDVENDEDOR").asString(), "TOO LONG");
  ds_.fieldByName("CDVENDEDOR").setValue(Variant(12));
  EXPECT_EQ(ds_.fieldByName("CDVENDEDOR").value(), Variant("12"));
  ds_.post();
  EXPECT_EQ(ds_.fieldByName("CDVENDEDOR").asString(), "12");
}

TEST_F(ClientDataSetItemsTest, ChangeLogCarriesPendingChanges) {
  ds_.next();
  ds_.edit();
  ds_.fieldByName("VRITEM").setValue(Variant(9.0));
  ds_.post();
  ds_.edit();  // a second edit keeps the first original
  ds_.fieldByName("VRITEM").setValue(Variant(10.0));
  ds_.post();
  ds_.next();
  ds_.remove();  // 0002
  ds_.append();
  ds_.fieldByName("CDPRODUTO").setValue(Variant("NEW"));
  ds_.post();
  ds_.insert();  // inserted and deleted again: leaves no trace
  ds_.post();
  ds_.remove();
  EXPECT_EQ(ds_.changeCount(), 3u);

  DataPacket data = ds_.data();
  ASSERT_EQ(data.rows.size(), 7u);
  std::vector<int> states;
  for (const auto& r : data.rows)
    states.push_back(r.state);
  EXPECT_EQ(states, (std::vector<int>{0, row_state::kOriginal, row_state::kDeleted, 0, 0,
                                      row_state::kInserted, row_state::kModified}));
  EXPECT_EQ(data.rows[1].values[2], Variant(8.0));
  EXPECT_EQ(data.rows[6].values[2], Variant(10.0));
  const PacketParam* log = data.findParam("CHANGE_LOG");
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->value, Variant::array({Variant(3), Variant(0), Variant(2), Variant(6), Variant(0),
                                        Variant(4), Variant(7), Variant(2), Variant(8)}));
  EXPECT_EQ(column(data.currentRows()), walk(ds_));
  EXPECT_EQ(column(data.currentRows(), 2), walk(ds_, "VRITEM"));

  // Loaded elsewhere, the change log reads as accepted rows.
  ClientDataSet copy("Copia");
  copy.setData(Variant(data));
  EXPECT_EQ(copy.changeCount(), 0u);
  EXPECT_EQ(walk(copy), (Names{"0001", "COUV", "COUV", "0003", "NEW"}));

  // Switching the log off keeps what is pending; merging accepts it.
  ds_.setLogChanges(false);
  EXPECT_EQ(ds_.changeCount(), 3u);
  ds_.mergeChangeLog();
  EXPECT_EQ(ds_.changeCount(), 0u);
  EXPECT_EQ(ds_.data(), data.currentRows());

  ds_.first();
  ds_.edit();
  ds_.fieldByName("VRITEM").setValue(Variant(1.0));
  ds_.post();
  EXPECT_EQ(ds_.changeCount(), 0u);
  EXPECT_EQ(ds_.data().rows[0].values[2], Variant(1.0));
  ds_.remove();
  EXPECT_EQ(ds_.changeCount(), 0u);
  EXPECT_EQ(ds_.data().findParam("CHANGE_LOG"), nullptr);
  EXPECT_EQ(column(ds_.data()), (Names{"COUV", "COUV", "0003", "NEW"}));
}

// Fiscal rates: code, rate and kind of tax, with an index on kind and rate.
class ClientDataSetRatesTest : public ::testing::Test {
 protected:
  ClientDataSetRatesTest() : ds_("Aliquotas") {
    ds_.addIndexDef({"idxIdAliqVrAliq", "IDALIQIMPFIS;VRALIQIMPFIS"});
    ds_.setIndexName("idxIdAliqVrAliq");
    packet_.fields = {Field("CDALIQIMPFIS", FieldType::String, 10),
                      Field("VRALIQIMPFIS", FieldType::Float),
                      Field("IDALIQIMPFIS", FieldType::String, 1)};
    auto rate = [](const char* code, Variant value, const char* kind) {
      return row({Variant(code), std::move(value), Variant(kind)});
    };
    packet_.rows = {rate("T18X", Variant(18.0001), "T"), rate("T18", Variant(18.0), "T"),
                    rate("S18", Variant(18.0), "S"),     rate("T07", Variant(7.0), "T"),
                    rate("I", Variant::null(), "I"),     rate("T18B", Variant(18.0), "T")};
    ds_.setData(packet_);
  }

  bool locate(Variant rate, Variant kind, LocateOptions options = {true, false}) {
    return ds_.locate("VRALIQIMPFIS;IDALIQIMPFIS", Variant::array({rate, kind}), options);
  }
  std::string code() { return ds_.fieldByName("CDALIQIMPFIS").asString(); }

  DataPacket packet_;
  ClientDataSet ds_;
};

TEST_F(ClientDataSetRatesTest, LocatesRateAsNumberAndKindWithoutCase) {
  EXPECT_TRUE(locate(Variant(18.0), Variant("t")));
  EXPECT_EQ(code(), "T18");  // first of the equal keys in index order
  EXPECT_TRUE(locate(Variant("18"), Variant("T")));
  EXPECT_EQ(code(), "T18");
  EXPECT_TRUE(locate(Variant(18.0001), Variant("T")));
  EXPECT_EQ(code(), "T18X");

  ds_.first();
  EXPECT_FALSE(locate(Variant(18), Variant("t"), {false, false}));
  EXPECT_FALSE(locate(Variant(18.00001), Variant("T")));
  EXPECT_EQ(code(), "I");  // not found: the cursor stays

  EXPECT_TRUE(ds_.locate("cdaliqimpfis", Variant("t1"), {true, true}));
  EXPECT_EQ(code(), "T18");
  EXPECT_FALSE(ds_.locate("CDALIQIMPFIS", Variant("T1"), {false, false}));
  EXPECT_TRUE(ds_.locate("VRALIQIMPFIS", Variant::array({Variant::null()})));
  EXPECT_EQ(code(), "I");

  EXPECT_TRUE(
      contains(errorOf([&] { locate(Variant("dezoito"), Variant("T")); }), "field 'VRALIQIMPFIS'"));
  EXPECT_TRUE(contains(errorOf([&] { ds_.locate("VRALIQIMPFIS;IDALIQIMPFIS", Variant(18.0)); }),
                       "needs an array of 2 values"));
  EXPECT_EQ(errorOf([&] { ds_.locate("VRALIQ", Variant(18.0)); }),
            "Aliquotas: Field 'VRALIQ' not found");

  ds_.close();
  EXPECT_EQ(errorOf([&] { locate(Variant(18.0), Variant("t")); }),
            "Aliquotas: Cannot perform this operation on a closed dataset");
  EXPECT_TRUE(contains(errorOf([&] { ds_.data(); }), "closed dataset"));
}

TEST_F(ClientDataSetRatesTest, IndexOrdersStablyWithNullFirstAndKeepsTheCursor) {
  EXPECT_EQ(walk(ds_, "CDALIQIMPFIS"), (Names{"I", "S18", "T07", "T18", "T18B", "T18X"}));
  EXPECT_TRUE(ds_.locate("CDALIQIMPFIS", Variant("T07")));
  ds_.setIndexName("");
  EXPECT_EQ(code(), "T07");
  EXPECT_EQ(ds_.recNo(), 4u);
  EXPECT_EQ(walk(ds_, "CDALIQIMPFIS"), (Names{"T18X", "T18", "S18", "T07", "I", "T18B"}));
  EXPECT_EQ(column(ds_.data()), (Names{"T18X", "T18", "S18", "T07", "I", "T18B"}));

  ds_.addIndexDef({"byRateDesc", "VRALIQIMPFIS", false, true});
  ds_.setIndexName("BYRATEDESC");
  EXPECT_EQ(walk(ds_, "CDALIQIMPFIS"), (Names{"T18X", "T18", "S18", "T18B", "T07", "I"}));

  // A posted key moves its record; the cursor goes with it.
  ds_.setIndexName("idxIdAliqVrAliq");
  ds_.locate("CDALIQIMPFIS", Variant("I"));
  ds_.edit();
  ds_.fieldByName("IDALIQIMPFIS").setValue(Variant("Z"));
  ds_.post();
  EXPECT_EQ(code(), "I");
  EXPECT_EQ(ds_.recNo(), 6u);

  EXPECT_TRUE(contains(errorOf([&] { ds_.setIndexName("nope"); }), "Index 'nope' not found"));
  EXPECT_EQ(ds_.indexName(), "idxIdAliqVrAliq");
}

TEST(ClientDataSetIndexTest, OrdersTextByteWiseOrFolded) {
  DataPacket p;
  p.fields = {Field("NOME", FieldType::String, 10)};
  for (const char* name : {"b", "A", "a", "B"})
    p.rows.push_back(row({Variant(name)}));
  ClientDataSet ds("Nomes");
  ds.addIndexDef({"exact", "NOME"});
  ds.addIndexDef({"folded", "NOME", true});
  ds.setData(p);
  ds.setIndexName("exact");
  EXPECT_EQ(walk(ds, "NOME"), (Names{"A", "B", "a", "b"}));
  ds.setIndexName("folded");
  EXPECT_EQ(walk(ds, "NOME"), (Names{"A", "a", "b", "B"}));
  EXPECT_TRUE(contains(errorOf([&] { ds.addIndexDef({"FOLDED", "NOME"}); }), "defined twice"));
}

TEST(ClientDataSetIndexTest, KeepsLoadOrderAmongEqualKeysInLargeSets) {
  DataPacket p;
  p.fields = {Field("GRUPO", FieldType::Int32), Field("NRSEQ", FieldType::Int32)};
  for (int i = 0; i < 200; ++i)
    p.rows.push_back(row({Variant((i * 7) % 5), Variant(i)}));
  ClientDataSet ds("Grupos");
  ds.addIndexDef({"up", "GRUPO"});
  ds.addIndexDef({"down", "GRUPO", false, true});
  ds.setData(p);
  for (const char* index : {"up", "down"}) {
    ds.setIndexName(index);
    std::int64_t group = -1, seq = -1;
    for (ds.first(); !ds.eof(); ds.next()) {
      std::int64_t g = ds.fieldByName("GRUPO").asInteger();
      std::int64_t s = ds.fieldByName("NRSEQ").asInteger();
      if (g == group) {
        EXPECT_GT(s, seq) << index;
      } else if (group >= 0) {
        EXPECT_EQ(g < group, std::string(index) == "down") << index;
      }
      group = g;
      seq = s;
    }
  }
}

TEST(ClientDataSetLoadTest, ChecksPersistentFieldsAndRunsAfterOpen) {
  ClientDataSet ds("Itens");
  ds.definePersistentField(Field("cdproduto", FieldType::String, 10));
  ds.definePersistentField(Field("NRSEQ", FieldType::Float));  // any number fits a number
  int opened = 0;
  ds.afterOpen = [&](ClientDataSet& self) {
    ++opened;
    EXPECT_EQ(self.recNo(), 1u);
    self.setLogChanges(false);
  };
  ds.setData(itemsPacket());
  ds.setData(Variant(itemsPacket()));
  EXPECT_EQ(opened, 2);
  ds.first();
  ds.remove();
  EXPECT_EQ(ds.changeCount(), 0u);

  ds.definePersistentField(Field("VRITEM", FieldType::String, 10));
  EXPECT_EQ(errorOf([&] { ds.setData(itemsPacket()); }),
            "Itens: Field 'VRITEM' in the data packet holds a number, expected text");
  EXPECT_FALSE(ds.active());
  EXPECT_EQ(opened, 2);

  ClientDataSet other("Outro");
  other.definePersistentField(Field("CDPRODUTO", FieldType::String, 10));
  other.definePersistentField(Field("CDCOMANDA", FieldType::String, 10));
  auto file = std::filesystem::path(CONTA_TEST_TMP) / "client_dataset_items.json";
  std::filesystem::create_directories(file.parent_path());
  writePacketFile(itemsPacket(), file, PacketFormat::Json);
  std::string error = errorOf([&] { other.loadFromFile(file); });
  EXPECT_TRUE(contains(error, "Outro: Field 'CDCOMANDA' not found") &&
              contains(error, file.string()))
      << error;
  EXPECT_FALSE(other.active());
}

TEST(ClientDataSetLoadTest, RejectsVariantsThatHoldNoPacket) {
  ClientDataSet ds("Comanda");
  EXPECT_EQ(errorOf([&] { ds.setData(Variant("ORA-00942: table or view does not exist")); }),
            "Comanda: ORA-00942: table or view does not exist");
  EXPECT_TRUE(contains(errorOf([&] { ds.setData(Variant(5)); }), "kind Integer"));
  EXPECT_TRUE(contains(errorOf([&] { ds.setData(Variant::null()); }), "kind Null"));
  EXPECT_FALSE(ds.active());
  EXPECT_TRUE(contains(errorOf([&] { ds.first(); }), "closed dataset"));
}

}  // namespace
}  // namespace conta
