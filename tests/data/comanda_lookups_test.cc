// The comanda lookups on every database: which comandas a bill covers (the
// listed ones and those of the tables joined to theirs), their charge
// switches, and how many comandas are grouped under a principal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/packet_layouts.h"
#include "support/geralxol.h"
#include "support/store_builder.h"

namespace {

using conta::DataPacket;
using conta::Variant;
using conta::testing_support::hasFields;
using conta::testing_support::packetOf;
using conta::testing_support::PacketRecords;
using conta::testing_support::sameValue;
using conta::testing_support::storeDay;
using conta::testing_support::textOf;
using Strings = std::vector<std::string>;

class ComandaLookupsTest : public conta::testing_support::StoreDataTest {
 protected:
  // "sale/comanda" of every row of a comanda packet, in order.
  static Strings comandas(const Variant& result) {
    PacketRecords rows(packetOf(result), {"NRVENDAREST", "NRCOMANDA"});
    Strings found;
    for (std::size_t i = 0; i < rows.size(); ++i)
      found.push_back(textOf(rows.at(i, "NRVENDAREST")) + "/" + textOf(rows.at(i, "NRCOMANDA")));
    return found;
  }
  // The comandas both lookups return for a list; they must agree.
  Strings bill(const std::wstring& list, const std::wstring& filial = L"0001") {
    Strings listed = comandas(module().getListaCmd(filial, list));
    EXPECT_EQ(comandas(module().getComandaVal(filial, L"01", list)), listed)
        << "getComandaVal and getListaCmd disagree";
    return listed;
  }
  // NRPESSOAS of getCmdAgrupada.
  double grouped(const std::wstring& principal, const std::wstring& filial = L"0001") {
    DataPacket packet = packetOf(module().getCmdAgrupada(filial, principal));
    EXPECT_EQ(packet.rows.size(), 1u);
    if (packet.rows.size() != 1 || packet.fields.size() != 1) return -1;
    EXPECT_TRUE(packet.rows[0].values[0].kind() == Variant::Kind::Double)
        << packet.rows[0].values[0].describe();
    return packet.rows[0].values[0].toDouble();
  }
};

TEST_P(ComandaLookupsTest, PacketsKeepTheirColumnsWithAndWithoutRows) {
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  for (const std::wstring list : {L"", L"9999", L"0012"}) {
    SCOPED_TRACE(std::string(list.begin(), list.end()));
    std::size_t rows = list == L"0012" ? 1 : 0;
    DataPacket listed = packetOf(module().getListaCmd(L"0001", list));
    EXPECT_TRUE(hasFields(listed, conta::data::comandaPacketFields()));
    EXPECT_EQ(listed.rows.size(), rows);
    DataPacket switches = packetOf(module().getComandaVal(L"0001", L"01", list));
    EXPECT_TRUE(hasFields(switches, conta::data::comandaValPacketFields()));
    EXPECT_EQ(switches.rows.size(), rows);
  }
}

TEST_P(ComandaLookupsTest, AListedCodeMatchesWhereverItOccursInTheList) {
  store().sale({.venda = "V1"});
  for (const char* number : {"0012", "12", "001", "0013", "00120", "2", "1300"})
    store().comanda({.venda = "V1", .comanda = number});
  // 0012 holds 0012, 12, 001 and 2; not 0013, nor the longer 00120.
  EXPECT_EQ(bill(L"0012"), (Strings{"V1/001", "V1/0012", "V1/12", "V1/2"}));
  // Codes simply follow one another: 1300 spans the two listed ones.
  EXPECT_EQ(bill(L"00130012"),
            (Strings{"V1/001", "V1/0012", "V1/0013", "V1/12", "V1/1300", "V1/2"}));
}

TEST_P(ComandaLookupsTest, OnlyOpenSalesAndComandasNotCancelledAreListed) {
  store().sale({.venda = "V0", .fechada = storeDay(19)});
  store().comanda({.venda = "V0", .comanda = "0012"});  // the number again, in a closed sale
  store().comanda({.venda = "V0", .comanda = "0015"});
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .status = "1"});
  store().comanda({.venda = "V1", .comanda = "0013", .status = "4"});
  store().comanda({.venda = "V1", .comanda = "0014", .status = "2"});
  EXPECT_EQ(bill(L"0012,0013,0014,0015"), (Strings{"V1/0012", "V1/0014"}));
  EXPECT_EQ(bill(L"0015"), Strings{});
}

TEST_P(ComandaLookupsTest, OnlyTheGivenBranchIsRead) {
  for (const char* filial : {"0001", "0002"}) {
    store().sale({.filial = filial, .venda = "V1", .mesa = "10"});
    store().comanda({.filial = filial, .venda = "V1", .comanda = "0012"});
  }
  // Tables 10 and 11 are joined in branch 0002 only; both branches have a
  // sale at table 11.
  store().junction("01", "J1", {"10", "11"}, "0002");
  store().sale({.filial = "0001", .venda = "V2", .mesa = "11"});
  store().comanda({.filial = "0001", .venda = "V2", .comanda = "0020"});
  store().sale({.filial = "0002", .venda = "V3", .mesa = "11"});
  store().comanda({.filial = "0002", .venda = "V3", .comanda = "0030"});

  EXPECT_EQ(bill(L"0012", L"0001"), (Strings{"V1/0012"}));
  EXPECT_EQ(bill(L"0012", L"0002"), (Strings{"V1/0012", "V3/0030"}));
  EXPECT_EQ(bill(L"0012", L"0003"), Strings{});
}

TEST_P(ComandaLookupsTest, ComandasOfAJoinedTableComeBackWithoutBeingListed) {
  store().junction("01", "J1", {"10", "11"});
  store().sale({.venda = "V1", .loja = "01", .mesa = "10"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  store().sale({.venda = "V2", .loja = "01", .mesa = "11"});
  store().comanda({.venda = "V2", .comanda = "0020"});
  store().comanda({.venda = "V2", .comanda = "0021", .status = "2"});
  store().comanda({.venda = "V2", .comanda = "0022", .status = "4"});
  // Not brought in: a closed sale at the joined table, a table outside the
  // junction, and the joined table's number in another store.
  store().sale({.venda = "V3", .loja = "01", .mesa = "11", .fechada = storeDay(19)});
  store().comanda({.venda = "V3", .comanda = "0023"});
  store().sale({.venda = "V4", .loja = "01", .mesa = "12"});
  store().comanda({.venda = "V4", .comanda = "0030"});
  store().sale({.venda = "V5", .loja = "02", .mesa = "11"});
  store().comanda({.venda = "V5", .comanda = "0040", .loja = "02"});

  Strings expected = {"V1/0012", "V2/0020", "V2/0021"};
  EXPECT_EQ(bill(L"0012"), expected);
  // From the other table of the junction the same comandas come back.
  EXPECT_EQ(bill(L"0021"), expected);
  // A comanda both listed and reached through the junction comes back once.
  EXPECT_EQ(bill(L"00120020"), expected);
}

TEST_P(ComandaLookupsTest, AJunctionIsMatchedByStoreAndNumberTogether) {
  store().junction("01", "J1", {"10", "11"});
  store().junction("02", "J1", {"10", "12"});  // the same junction number in store 02
  store().sale({.venda = "V1", .loja = "01", .mesa = "10"});
  store().comanda({.venda = "V1", .comanda = "0012", .loja = "01"});
  store().sale({.venda = "V2", .loja = "01", .mesa = "11"});
  store().comanda({.venda = "V2", .comanda = "0020", .loja = "01"});
  store().sale({.venda = "V3", .loja = "02", .mesa = "12"});
  store().comanda({.venda = "V3", .comanda = "0030", .loja = "02"});
  store().sale({.venda = "V4", .loja = "02", .mesa = "10"});
  store().comanda({.venda = "V4", .comanda = "0040", .loja = "02"});

  EXPECT_EQ(bill(L"0012"), (Strings{"V1/0012", "V2/0020"}));
  EXPECT_EQ(bill(L"0040"), (Strings{"V3/0030", "V4/0040"}));
}

TEST_P(ComandaLookupsTest, AListedComandasTableIsItsOwnStoreWithItsSalesTable) {
  // The comanda was opened in store 02 on a sale of store 01, table 10: its
  // table is 02 followed by 10.
  store().sale({.venda = "V1", .loja = "01", .mesa = "10"});
  store().comanda({.venda = "V1", .comanda = "0012", .loja = "02"});
  store().junction("02", "J7", {"10", "11"});
  store().sale({.venda = "V2", .loja = "02", .mesa = "11"});
  store().comanda({.venda = "V2", .comanda = "0020", .loja = "02"});
  store().junction("01", "J8", {"10", "13"});
  store().sale({.venda = "V3", .loja = "01", .mesa = "13"});
  store().comanda({.venda = "V3", .comanda = "0030", .loja = "01"});

  EXPECT_EQ(bill(L"0012"), (Strings{"V1/0012", "V2/0020"}));
}

TEST_P(ComandaLookupsTest, StoreAndTableAreComparedApart) {
  // Store 1 with table 23 is not store 12 with table 3, though both read
  // "123" run together.
  store().sale({.venda = "V1", .loja = "1", .mesa = "23"});
  store().comanda({.venda = "V1", .comanda = "0012", .loja = "1"});
  store().junction("12", "J1", {"3", "4"});
  store().sale({.venda = "V2", .loja = "12", .mesa = "4"});
  store().comanda({.venda = "V2", .comanda = "0020", .loja = "12"});
  store().sale({.venda = "V3", .loja = "12", .mesa = "3"});
  store().comanda({.venda = "V3", .comanda = "0030", .loja = "12"});

  EXPECT_EQ(bill(L"0012"), (Strings{"V1/0012"}));
  EXPECT_EQ(bill(L"0030"), (Strings{"V2/0020", "V3/0030"}));
}

TEST_P(ComandaLookupsTest, OnlyAListedComandaThatIsBilledBringsInItsJoinedTables) {
  store().junction("01", "J1", {"10", "11"});
  store().sale({.venda = "V0", .mesa = "10", .fechada = storeDay(19)});
  store().comanda({.venda = "V0", .comanda = "0012"});
  store().sale({.venda = "V1", .mesa = "10"});
  store().comanda({.venda = "V1", .comanda = "0013", .status = "4"});
  store().sale({.venda = "V2", .mesa = "11"});
  store().comanda({.venda = "V2", .comanda = "0020"});

  // A comanda of a closed sale, or a cancelled one, is no table to widen.
  EXPECT_EQ(bill(L"0012"), Strings{});
  EXPECT_EQ(bill(L"0013"), Strings{});
}

TEST_P(ComandaLookupsTest, UnregisteredSellerConsumerOrClientLeaveTheirColumnsNull) {
  store().seller({.vendedor = "V01", .nome = "Ana"});
  store().client({.cliente = "C1", .nome = "Cliente Um"});
  store().client({.cliente = "C2", .nome = "Cliente Dois"});
  store().consumer({.cliente = "C1", .consumidor = "K1", .nome = "Joao", .tipo = "T1"});
  // The same consumer code under other clients: the consumer is matched on
  // client and code together.
  store().consumer({.cliente = "C2", .consumidor = "K2", .nome = "Outro", .tipo = "T2"});
  store().consumer({.cliente = "C3", .consumidor = "K1", .nome = "Terceiro", .tipo = "T3"});
  store().junction("01", "J1", {"10", "11"});

  store().sale(
      {.venda = "V1", .mesa = "10", .vendedor = "V01", .cliente = "C1", .consumidor = "K1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  // Joined table: seller and client unknown, consumer K1 not one of C9's.
  store().sale(
      {.venda = "V2", .mesa = "11", .vendedor = "V99", .cliente = "C9", .consumidor = "K1"});
  store().comanda({.venda = "V2", .comanda = "0020"});
  store().sale({.venda = "V3", .mesa = "12"});
  store().comanda({.venda = "V3", .comanda = "0030"});
  store().sale({.venda = "V4", .mesa = "13", .cliente = "C2", .consumidor = "K1"});
  store().comanda({.venda = "V4", .comanda = "0040"});

  PacketRecords rows(packetOf(module().getListaCmd(L"0001", L"0012,0030,0040")), {"NRCOMANDA"});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows.column("NRCOMANDA"), (Strings{"0012", "0020", "0030", "0040"}));
  EXPECT_EQ(rows.column("CDVENDEDOR"), (Strings{"V01", "V99", "<null>", "<null>"}));
  EXPECT_EQ(rows.column("NMFANVEN"), (Strings{"Ana", "<null>", "<null>", "<null>"}));
  EXPECT_EQ(rows.column("CDCLIENTE"), (Strings{"C1", "C9", "<null>", "C2"}));
  EXPECT_EQ(rows.column("NMRAZSOCCLIE"),
            (Strings{"Cliente Um", "<null>", "<null>", "Cliente Dois"}));
  EXPECT_EQ(rows.column("CDCONSUMIDOR"), (Strings{"K1", "K1", "<null>", "K1"}));
  EXPECT_EQ(rows.column("CDCONSUMIDOR_1"), (Strings{"K1", "<null>", "<null>", "<null>"}));
  EXPECT_EQ(rows.column("NMCONSUMIDOR"), (Strings{"Joao", "<null>", "<null>", "<null>"}));
  EXPECT_EQ(rows.column("CDTIPOCONS"), (Strings{"T1", "<null>", "<null>", "<null>"}));
}

// Every column of the comanda packet comes from its own place, for a listed
// comanda and for one of a joined table alike.
TEST_P(ComandaLookupsTest, EveryColumnCarriesItsOwnValue) {
  store().junction("01", "J1", {"10", "11"});
  store().seller({.vendedor = "V01", .nome = "Ana"});
  store().seller({.vendedor = "V02", .nome = "Bia"});
  store().client({.cliente = "C1", .nome = "Cliente Um"});
  store().client({.cliente = "C2", .nome = "Cliente Dois"});
  store().consumer({.cliente = "C1", .consumidor = "K1", .nome = "Joao", .tipo = "T1"});
  store().consumer({.cliente = "C2", .consumidor = "K2", .nome = "Maria", .tipo = "T2"});

  struct Case {
    const char *venda, *comanda, *mesa, *vendedor, *vendedorNome, *cliente, *clienteNome,
        *consumidor, *consumidorNome, *tipo, *texto, *status, *sexo, *marca;
    double base;
    int hora;
  };
  const Case cases[] = {
      {"V1", "0012", "10", "V01", "Ana", "C1", "Cliente Um", "K1", "Joao", "T1", "MESA 10 A", "1",
       "M", "A", 1, 19},
      {"V2", "0020", "11", "V02", "Bia", "C2", "Cliente Dois", "K2", "Maria", "T2", "MESA 11 B",
       "2", "F", "B", 20, 21},
  };
  for (const Case& c : cases) {
    std::string m = c.marca;
    store().sale({.venda = c.venda,
                  .mesa = c.mesa,
                  .pessoas = c.base + 2,
                  .aberta = storeDay(c.hora, 30),
                  .vendedor = c.vendedor,
                  .cliente = c.cliente,
                  .consumidor = c.consumidor});
    store().comanda({.venda = c.venda,
                     .comanda = c.comanda,
                     .descricao = c.texto,
                     .status = c.status,
                     .taxa = m == "A" ? "S" : "N",
                     .consumacao = m == "A" ? "N" : "S",
                     .couvert = m == "A" ? "S" : "N",
                     .desconto = c.base + 0.25,
                     .acrescimo = c.base + 0.5,
                     .comissao = c.base + 0.75,
                     .sexo = c.sexo,
                     .more = {{"VRDESCFID", c.base + 1.25},
                              {"NRCPFFID4ALL", "1111" + m},
                              {"NRCPFFIDUDS", "2222" + m},
                              {"VRDESCCASHUDS", c.base + 1.5},
                              {"NRCPFINTEPROMO", "3333" + m},
                              {"IDPEDINTEPROMO", m},
                              {"IDORGCMDVENDA", m == "A" ? "X" : "Y"},
                              {"NRCPFCOREBANC", "4444" + m},
                              {"VRRESGCOREBANC", c.base + 1.75},
                              {"VRRESGCORECORP", c.base + 2.25},
                              {"VRRESGCOREQUAL", c.base + 2.5}}});
  }

  PacketRecords rows(packetOf(module().getListaCmd(L"0001", L"0012")), {"NRCOMANDA"});
  PacketRecords switches(packetOf(module().getComandaVal(L"0001", L"01", L"0012")), {"NRCOMANDA"});
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(switches.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const Case& c = cases[i];
    std::string m = c.marca;
    SCOPED_TRACE(c.comanda);
    const std::vector<std::pair<const char*, Variant>> expected = {
        {"NRVENDAREST", Variant(c.venda)},
        {"NRCOMANDA", Variant(c.comanda)},
        {"CDCONSUMIDOR", Variant(c.consumidor)},
        {"CDCLIENTE", Variant(c.cliente)},
        {"DSCOMANDA", Variant(c.texto)},
        {"IDSTCOMANDA", Variant(c.status)},
        {"VRDESCOMANDA", Variant(c.base + 0.25)},
        {"VRCOMISVENDE", Variant(c.base + 0.75)},
        {"CDVENDEDOR", Variant(c.vendedor)},
        {"NMFANVEN", Variant(c.vendedorNome)},
        {"NRPESMESAVEN", Variant(c.base + 2)},
        {"NRMESA", Variant(c.mesa)},
        {"SGSEXOCON", Variant(c.sexo)},
        {"VRACRCOMANDA", Variant(c.base + 0.5)},
        {"DTHRABERMESA", Variant(storeDay(c.hora, 30))},
        {"CDCONSUMIDOR_1", Variant(c.consumidor)},
        {"NMCONSUMIDOR", Variant(c.consumidorNome)},
        {"NMRAZSOCCLIE", Variant(c.clienteNome)},
        {"VRDESCFID", Variant(c.base + 1.25)},
        {"NRCPFFID4ALL", Variant("1111" + m)},
        {"NRCPFFIDUDS", Variant("2222" + m)},
        {"VRDESCCASHUDS", Variant(c.base + 1.5)},
        {"NRCPFINTEPROMO", Variant("3333" + m)},
        {"IDPEDINTEPROMO", Variant(m)},
        {"IDORGCMDVENDA", Variant(m == "A" ? "X" : "Y")},
        {"CDTIPOCONS", Variant(c.tipo)},
        {"NRCPFCOREBANC", Variant("4444" + m)},
        {"VRRESGCOREBANC", Variant(c.base + 1.75)},
        {"VRRESGCORECORP", Variant(c.base + 2.25)},
        {"VRRESGCOREQUAL", Variant(c.base + 2.5)},
    };
    ASSERT_EQ(expected.size(), conta::data::comandaPacketFields().size());
    for (const auto& [field, value] : expected)
      EXPECT_TRUE(sameValue(rows.at(i, field), value)) << field;

    const std::vector<std::pair<const char*, Variant>> expectedSwitches = {
        {"NRVENDAREST", Variant(c.venda)},
        {"NRCOMANDA", Variant(c.comanda)},
        {"DSCOMANDA", Variant(c.texto)},
        {"IDSTCOMANDA", Variant(c.status)},
        {"IDUTILTXSERV", Variant(m == "A" ? "S" : "N")},
        {"IDUTILCONSUMA", Variant(m == "A" ? "N" : "S")},
        {"IDUTILCOUVERT", Variant(m == "A" ? "S" : "N")},
    };
    for (const auto& [field, value] : expectedSwitches)
      EXPECT_TRUE(sameValue(switches.at(i, field), value)) << field;
  }
}

TEST_P(ComandaLookupsTest, TheStoreCodeTakesNoPartInTheSwitches) {
  store().sale({.venda = "V1", .loja = "01"});
  store().comanda({.venda = "V1", .comanda = "0012", .loja = "01", .taxa = "N"});
  store().sale({.venda = "V2", .loja = "02"});
  store().comanda({.venda = "V2", .comanda = "0013", .loja = "02", .couvert = "N"});
  PacketRecords reference(packetOf(module().getComandaVal(L"0001", L"01", L"00120013")),
                          {"NRVENDAREST", "NRCOMANDA"});
  ASSERT_EQ(reference.size(), 2u);
  for (const std::wstring loja : {L"02", L"99", L""}) {
    PacketRecords other(packetOf(module().getComandaVal(L"0001", loja, L"00120013")),
                        {"NRVENDAREST", "NRCOMANDA"});
    ASSERT_EQ(other.size(), 2u);
    for (const auto& field : conta::data::comandaValPacketFields())
      EXPECT_EQ(other.column(field.name), reference.column(field.name)) << field.name;
  }
}

TEST_P(ComandaLookupsTest, EveryCallReadsTheStoreAnew) {
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  EXPECT_EQ(bill(L"0012"), (Strings{"V1/0012"}));
  store().comanda({.venda = "V1", .comanda = "0013"});
  EXPECT_EQ(bill(L"00120013"), (Strings{"V1/0012", "V1/0013"}));
  EXPECT_EQ(bill(L"0013"), (Strings{"V1/0013"}));
  store().comanda({.venda = "V1", .comanda = "2013"});
  EXPECT_EQ(bill(L"0013"), (Strings{"V1/0013"}));
  EXPECT_EQ(bill(L"2013"), (Strings{"V1/2013"}));
}

TEST_P(ComandaLookupsTest, GroupedComandasAreCountedByTheirPrincipalsText) {
  store().sale({.venda = "V0", .fechada = storeDay(19)});
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0010", .descricao = "MESA 10"});
  store().comanda({.venda = "V1", .comanda = "0011", .principal = "MESA 10"});
  store().comanda({.venda = "V1", .comanda = "0012", .principal = "MESA 10", .status = "4"});
  store().comanda({.venda = "V0", .comanda = "0013", .principal = "MESA 10"});
  // Texts that only contain or start the principal's text do not count.
  store().comanda({.venda = "V1", .comanda = "0014", .principal = "MESA 100"});
  store().comanda({.venda = "V1", .comanda = "0015", .principal = "MESA 1"});
  store().comanda({.venda = "V1", .comanda = "0016", .principal = "JO\xC3\x83O"});
  store().sale({.filial = "0002", .venda = "V1"});
  store().comanda({.filial = "0002", .venda = "V1", .comanda = "0017", .principal = "MESA 10"});

  DataPacket packet = packetOf(module().getCmdAgrupada(L"0001", L"MESA 10"));
  ASSERT_EQ(packet.fields.size(), 1u);
  EXPECT_EQ(packet.fields[0].name, "NRPESSOAS");
  EXPECT_EQ(packet.fields[0].type, conta::FieldType::Float);

  EXPECT_EQ(grouped(L"MESA 10"), 3);  // any status, open or closed sale
  EXPECT_EQ(grouped(L"MESA 1"), 1);
  EXPECT_EQ(grouped(L"JO\u00C3O"), 1);  // the wide text reaches the database whole
  EXPECT_EQ(grouped(L"MESA 10", L"0002"), 1);
  EXPECT_EQ(grouped(L"NINGUEM"), 0);  // still one row
  EXPECT_EQ(grouped(L""), 0);
}

TEST_P(ComandaLookupsTest, ADatabaseErrorAnswersWithItsTextAndTheNextCallWorks) {
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .principal = "MESA 10"});
  exec("ALTER TABLE COMANDAVEN RENAME TO COMANDAVEN_FORA");
  Variant answers[3];
  EXPECT_NO_THROW(answers[0] = module().getListaCmd(L"0001", L"0012"));
  EXPECT_NO_THROW(answers[1] = module().getComandaVal(L"0001", L"01", L"0012"));
  EXPECT_NO_THROW(answers[2] = module().getCmdAgrupada(L"0001", L"MESA 10"));
  for (const Variant& answer : answers) {
    ASSERT_TRUE(answer.isText()) << answer.describe();
    EXPECT_FALSE(answer.text().empty());
  }
  exec("ALTER TABLE COMANDAVEN_FORA RENAME TO COMANDAVEN");
  EXPECT_EQ(comandas(module().getListaCmd(L"0001", L"0012")), (Strings{"V1/0012"}));
  EXPECT_EQ(comandas(module().getComandaVal(L"0001", L"01", L"0012")), (Strings{"V1/0012"}));
  EXPECT_EQ(grouped(L"MESA 10"), 1);
}

TEST_P(ComandaLookupsTest, AnUnreachableDatabaseAnswersWithItsTextUntilItIsBack) {
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  Geralxol::setConnectionString("sqlite:" + std::string(CONTA_TEST_TMP) +
                                "/no-such-directory/store.db");
  module().adcFuncoesRev.close();
  Variant answer;
  EXPECT_NO_THROW(answer = module().getListaCmd(L"0001", L"0012"));
  ASSERT_TRUE(answer.isText()) << answer.describe();
  EXPECT_FALSE(answer.text().empty());
  EXPECT_NO_THROW(answer = module().getComandaVal(L"0001", L"01", L"0012"));
  EXPECT_TRUE(answer.isText()) << answer.describe();

  Geralxol::setConnectionString(database_->connectionString());
  EXPECT_EQ(comandas(module().getListaCmd(L"0001", L"0012")), (Strings{"V1/0012"}));
}

INSTANTIATE_TEST_SUITE_P(Databases, ComandaLookupsTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
