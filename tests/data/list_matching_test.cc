// The two forms of the comanda list test find the same rows. Every statement
// that tests the list runs in both forms against a generated store whose
// comanda numbers have every length from 1 to 7, hold "_" and share digits,
// so that a number occurs in a list inside another number or across the "_"
// between two; the queries must return the same rows and the edits must
// change the same rows in the same way.
#include "data/list_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/packet_layouts.h"
#include "data/statement_definition.h"
#include "platform/db/named_parameters.h"
#include "platform/db/statement.h"
#include "support/store_builder.h"

namespace {

using conta::Variant;
using conta::data::StatementDefinition;
using conta::testing_support::textOf;
using Strings = std::vector<std::string>;

// A small deterministic generator (the same store on every run and library).
class Dice {
 public:
  explicit Dice(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  std::string digits(int length) {
    std::string text;
    for (int i = 0; i < length; ++i)
      text += static_cast<char>('0' + below(10));
    return text;
  }

 private:
  std::uint64_t state_;
};

struct Case {
  std::string description;
  Variant list;
  int variant;  // picks the seats, exclusions and branch of the run
};

class ListMatchingTest : public conta::testing_support::StoreDataTest {
 protected:
  void SetUp() override {
    StoreDataTest::SetUp();
    if (IsSkipped()) return;
    buildStore();
  }

  // Comanda numbers that meet in lists: "001" inside "0012", "12_3" and
  // "2_34" across "0012_3456", one digit, an empty number, and numbers of
  // the column's full width.
  void buildStore() {
    Dice dice(20261208);
    codes_ = {"0012", "3456", "001", "12_3", "2_34", "6", "", "0123456789", "3456_01234"};
    while (codes_.size() < 60) {
      std::string code = dice.digits(1 + dice.below(7));
      if (dice.below(8) == 0 && code.size() > 1) code.insert(1 + dice.below(code.size() - 1), "_");
      codes_.push_back(code);
    }
    for (const char* product : {"P1", "S1", "CV"})
      store().product({.produto = product, .pesado = std::string(product) == "S1" ? "S" : "N"});
    store().junction("01", "J1", {"10", "11", "12"});
    store().junction("01", "J2", {"13", "14"});

    std::size_t next_code = 0;
    for (int sale = 0; sale < 30; ++sale) {
      const std::string venda = "V" + std::to_string(100 + sale);
      const std::string filial = sale % 10 == 9 ? "0002" : "0001";
      conta::testing_support::Sale row{.filial = filial,
                                       .venda = venda,
                                       .mesa = std::to_string(10 + dice.below(8)),
                                       .pessoas = 1 + dice.below(6)};
      if (dice.below(4) == 0) row.fechada = conta::testing_support::storeDay(23);
      store().sale(row);
      const int comandas = 1 + dice.below(3);
      for (int c = 0; c < comandas; ++c) {
        const std::string code = codes_[next_code++ % codes_.size()];
        const char* statuses[] = {"1", "1", "2", "4"};
        store().comanda({.filial = filial,
                         .venda = venda,
                         .comanda = code,
                         .status = statuses[dice.below(4)],
                         .comissao = dice.below(5)});
        const int items = dice.below(4);
        for (int i = 0; i < items; ++i) {
          const char* products[] = {"P1", "S1", "CV"};
          const char* seats[] = {"01", "02", "03"};
          conta::testing_support::Item item{
              .filial = filial,
              .venda = venda,
              .comanda = code,
              .produto = products[dice.below(3)],
              .quantidade = dice.below(5) == 0 ? -2 : 1 + dice.below(3),
          };
          if (dice.below(4) != 0) item.lugar = seats[dice.below(3)];
          store().item(item);
        }
      }
    }
  }

  std::vector<Case> cases() {
    Dice dice(7);
    std::vector<Case> all = {
        {"empty list", Variant(""), 0},
        {"null list", Variant::null(), 1},
        {"a number inside another", Variant("001"), 2},
        {"numbers across the separator", Variant("0012_3456"), 3},
        {"full-width numbers", Variant("990123456789_3456_0123499"), 0},
        {"one digit", Variant("6"), 0},
        {"a separator alone", Variant("_"), 1},
    };
    for (int size = 1; size <= 20; ++size) {
      std::string list;
      for (int i = 0; i < size; ++i)
        list += (i ? "_" : "") + codes_[dice.below(static_cast<int>(codes_.size()))];
      all.push_back({std::to_string(size) + " listed numbers", Variant(list), size % 4});
    }
    for (int length : {3, 9, 17, 30})
      all.push_back({"random digits", Variant(dice.digits(length)), length % 4});
    return all;
  }

  // The value a statement's parameter takes in a case.
  static Variant valueOf(const std::string& name, const Case& run) {
    if (name == "P_LCOMANDA" || name == "P_NRCOMANDA") return run.list;
    if (name == "P_CDFILIAL") return Variant(run.variant == 3 ? "0002" : "0001");
    if (name == "P_NRLUGARMESA") return Variant("01_03");
    if (name == "P_TNRLUGARMESA") return Variant(run.variant % 2 ? "T" : "N");
    if (name == "P_LNRPRODCOMVEN") return Variant("000002");
    if (name == "P_TNRPRODCOMVEN") return Variant(run.variant / 2 ? "T" : "N");
    if (name == "P_CDPRODUTO") return Variant(run.variant % 2 ? "CV" : "P1");
    if (name == "P_COMISSVENDA") return Variant(12.5);
    ADD_FAILURE() << "no test value for parameter " << name;
    return Variant::null();
  }

  const std::string& textFor(const conta::db::DialectTexts& texts) const {
    return database_->schemaDialect() == "sqlite" ? texts.sqlite : texts.postgresql;
  }

  template <typename S>
  void bind(S& statement, const StatementDefinition& definition, const std::string& text,
            const Case& run) {
    statement.setSql(text);
    for (const auto& declared : definition.parameters)
      statement.declareParameter(declared.name, declared.type);
    for (const std::string& name : conta::db::parseNamedParameters(text).names)
      statement.setParameter(name, valueOf(name, run));
  }

  static Strings rowsOf(conta::db::Query& query) {
    Strings rows;
    for (query.first(); !query.eof(); query.next()) {
      std::string row;
      for (const auto& field : query.fields())
        row += textOf(query.value(field.name)) + "|";
      rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  Strings select(const std::string& text, const StatementDefinition& definition, const Case& run) {
    conta::db::Query query(*connection_, definition.component);
    bind(query, definition, text, run);
    // The rows in the shape the module reads them (typing SQLite's
    // expression columns).
    if (definition.component == "adqItProdVend")
      query.setPersistentFields(conta::data::itemPacketFields());
    query.open();
    return rowsOf(query);
  }

  // Every comanda and item row, after the edit, inside a transaction that
  // is rolled back so the next run starts from the same store.
  Strings edit(const std::string& text, const StatementDefinition& definition, const Case& run) {
    connection_->beginTransaction();
    conta::db::Command command(*connection_, definition.component);
    bind(command, definition, text, run);
    Strings state{"changed " + std::to_string(command.execute())};
    for (const char* table : {"COMANDAVEN", "ITCOMANDAVEN"}) {
      conta::db::Query query(*connection_, "snapshot");
      query.setSql(std::string("SELECT * FROM ") + table);
      query.open();
      for (const std::string& row : rowsOf(query))
        state.push_back(table + (" " + row));
    }
    connection_->rollback();
    return state;
  }

  std::vector<std::string> codes_;
};

TEST_P(ListMatchingTest, BothFormsFindAndChangeTheSameRows) {
  int statements = 0;
  for (const StatementDefinition* definition : conta::data::allStatements()) {
    if (!definition->substring_texts) continue;
    ++statements;
    const std::string& indexed = textFor(definition->texts);
    const std::string& substring = textFor(*definition->substring_texts);
    ASSERT_NE(indexed, substring) << definition->component;
    const bool query = indexed.rfind("SELECT", 0) == 0;
    std::size_t rows_found = 0;
    for (const Case& run : cases()) {
      SCOPED_TRACE(definition->component + ": " + run.description + " \"" + textOf(run.list) +
                   "\"");
      if (query) {
        Strings expected = select(substring, *definition, run);
        EXPECT_EQ(select(indexed, *definition, run), expected);
        rows_found += expected.size();
      } else {
        Strings expected = edit(substring, *definition, run);
        EXPECT_EQ(edit(indexed, *definition, run), expected);
        rows_found += expected.front() != "changed 0";
      }
    }
    // The store gives every statement rows to find, or the check says little.
    EXPECT_GT(rows_found, 0u) << definition->component;
  }
  // The comandas and their switches, the items, their quantities, the
  // commission, the removal and the charge items.
  EXPECT_EQ(statements, 7);
}

TEST_P(ListMatchingTest, AnEmptyNumberIsNeverListed) {
  store().sale({.venda = "V999"});
  store().comanda({.venda = "V999", .comanda = ""});
  for (conta::data::ListMatching form :
       {conta::data::ListMatching::Indexed, conta::data::ListMatching::Substring}) {
    const auto dialect = database_->schemaDialect() == "sqlite" ? conta::db::Dialect::Sqlite
                                                                : conta::db::Dialect::PostgreSql;
    conta::db::Query query(*connection_, "empty");
    query.setSql(
        conta::data::expandListTests("SELECT NRCOMANDA FROM COMANDAVEN WHERE CDFILIAL = '0001' AND "
                                     "{{NRCOMANDA in :P_LIST}} AND NRCOMANDA = ''",
                                     dialect, form));
    for (const char* list : {"", "0012_3456", "_"}) {
      query.close();
      query.setParameter("P_LIST", Variant(list));
      query.open();
      EXPECT_EQ(query.recordCount(), 0u) << list;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, ListMatchingTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
