// A C++ host of the installed package: makes the demo store with the C
// interface, bills it through CalculaConta with variant parameters, and
// writes the comanda packet as JSON.
#include <conta/calcula_conta.h>
#include <conta/conta.h>
#include <conta/packet_codecs.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s STORE_DIR\n", argv[0]);
    return 2;
  }
  char* error = nullptr;
  if (conta_create_demo_store(argv[1], &error) != CONTA_OK ||
      conta_set_host_directory(argv[1], &error) != CONTA_OK) {
    std::fprintf(stderr, "%s\n", error);
    conta_free(error);
    return 1;
  }
  const conta::Variant parametros[7] = {conta::Variant("0012_0013_0021"),
                                        conta::Variant("2"),
                                        conta::Variant(true),
                                        conta::Variant(true),
                                        conta::Variant(true),
                                        conta::Variant("T"),
                                        conta::Variant("")};
  conta::Variant resultado = conta::Variant::array(14);
  try {
    Srv_Xol41260::CalculaConta(parametros, 6, resultado);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  const std::string comandas =
      conta::encodePacket(resultado[9].packet(), conta::PacketFormat::Json);
  std::printf("conta %s\ntotal %.2f\n%s\n", conta_version(), resultado[1].toDouble(),
              comandas.c_str());
  return 0;
}
