#include "data/demo_store.h"

#include "conta/packet_codecs.h"
#include "data/demo_store_data.h"
#include "data/store_schema.h"
#include "platform/db/connection.h"
#include "platform/db/script.h"
#include "platform/db/sqlite/connection.h"

namespace conta::data {

void createDemoStore(const std::filesystem::path& directory) {
  namespace fs = std::filesystem;
  fs::create_directories(directory / "Dados" / "Cadastros");
  fs::path database = directory / "Dados" / "loja.db";
  fs::remove(database);
  db::createSqliteDatabase(database.string());
  {
    db::Connection connection("demo");
    connection.setConnectionString("sqlite:" + fs::absolute(database).string());
    connection.open();
    db::runSqlScript(connection, storeSchemaSql("sqlite"));
    db::runSqlScript(connection, kDemoStoreSql);
  }
  writePacketFile(decodeJsonPacket(kDemoParametersJson, "demo/PARAMETROSXOL.json"),
                  directory / "PARAMETROSXOL.CDS", PacketFormat::Binary);
  writePacketFile(decodeJsonPacket(kDemoRatesJson, "demo/AliqImpFis.json"),
                  directory / "Dados" / "Cadastros" / "AliqImpFis.cds", PacketFormat::Binary);
}

}  // namespace conta::data
