// conta pacote: prints or converts a client-dataset file or data packet.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "commands.h"
#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta::cli {
namespace {

struct PacoteOptions {
  std::string file;
  std::string format;  // text, json, xml, binary; empty: by --output's extension, else text
  std::string output;
};

std::string fieldTypeText(const Field& field) {
  std::string text;
  switch (field.valueKind()) {
    case ValueKind::Text:
      text = "string";
      break;
    case ValueKind::Integer:
      text = "integer";
      break;
    case ValueKind::Float:
      text = "float";
      break;
    case ValueKind::Boolean:
      text = "boolean";
      break;
    case ValueKind::DateTime:
      text = "datetime";
      break;
    case ValueKind::Bytes:
      text = "bytes";
      break;
  }
  if (field.width() > 0) text += "(" + std::to_string(field.width()) + ")";
  if (text.compare(0, std::string::npos, xmlFieldTypeName(field.type)) != 0 &&
      !(text.starts_with("string") && field.type == FieldType::String)) {
    text += std::string(" [") + xmlFieldTypeName(field.type) + "]";
  }
  if (std::string subtype = field.subtype(); !subtype.empty()) text += " " + subtype;
  return text;
}

std::string valueText(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Null:
      return "NULL";
    case Variant::Kind::Empty:
      return "(unchanged)";
    case Variant::Kind::Text:
      return "'" + value.text() + "'";
    case Variant::Kind::Double: {
      // The exact value (shortest text that reads back the same), not the
      // 15-digit general format.
      char buffer[64];
      auto end = std::to_chars(buffer, buffer + sizeof buffer, value.real()).ptr;
      return std::string(buffer, end);
    }
    case Variant::Kind::DateTime:
      return value.dateTime().iso();
    case Variant::Kind::Bytes:
      return "<" + std::to_string(value.bytes().size()) + " bytes>";
    default:
      return value.toText();
  }
}

// A listing for people: the fields, then each row field by field.
std::string listing(const DataPacket& packet, const std::string& name) {
  std::size_t width = 4;
  for (const auto& f : packet.fields)
    width = std::max(width, f.name.size());
  auto pad = [&](const std::string& s) {
    return s + std::string(width - std::min(width, s.size()), ' ');
  };
  std::string out = name + ": " + std::to_string(packet.fields.size()) + " fields, " +
                    std::to_string(packet.rows.size()) + " rows\n";
  out += "Fields:\n";
  for (const auto& f : packet.fields)
    out += "  " + pad(f.name) + "  " + fieldTypeText(f) + "\n";
  for (std::size_t r = 0; r < packet.rows.size(); ++r) {
    out += "Row " + std::to_string(r + 1) + ":\n";
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      const auto& values = packet.rows[r].values;
      out += "  " + pad(packet.fields[c].name) + "  " +
             valueText(c < values.size() ? values[c] : Variant::null()) + "\n";
    }
  }
  return out;
}

std::optional<PacketFormat> formatFromExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (auto& c : ext)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".json") return PacketFormat::Json;
  if (ext == ".xml") return PacketFormat::Xml;
  if (ext == ".cds") return PacketFormat::Binary;
  return std::nullopt;
}

void runPacote(const PacoteOptions& options) {
  DataPacket packet = readPacketFile(options.file);
  std::string format = options.format;
  if (format.empty() && !options.output.empty()) {
    auto by_extension = formatFromExtension(options.output);
    if (!by_extension) {
      throw Error("cannot tell the format of " + options.output +
                  " from its extension (.cds, .xml, .json): give --format");
    }
    format = packetFormatName(*by_extension);
  }
  if (format.empty()) format = "text";

  std::string bytes;
  if (format == "text") {
    bytes = listing(packet.currentRows(), options.file);
  } else {
    bytes = encodePacket(packet, *packetFormatFromName(format));
  }

  if (!options.output.empty()) {
    if (format == "text") {
      throw Error("--output writes a packet: give --format json, xml or binary");
    }
    writePacketFile(packet, options.output, *packetFormatFromName(format));
    return;
  }
  if (format == "binary" && isatty(STDOUT_FILENO)) {
    throw Error("binary output to a terminal: give --output FILE or redirect standard output");
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
}

}  // namespace

void addPacoteCommand(CLI::App& app) {
  auto options = std::make_shared<PacoteOptions>();
  CLI::App* command = app.add_subcommand(
      "pacote", "Print or convert a client-dataset file (binary .cds, XML or JSON)");
  command->add_option("FILE", options->file, "The file to read, e.g. PARAMETROSXOL.CDS")
      ->required()
      ->check(CLI::ExistingFile);
  command
      ->add_option("--format", options->format,
                   "Output format: text (a listing of the fields and rows, the default on\n"
                   "standard output), json, xml or binary (not to a terminal)")
      ->check(CLI::IsMember({"text", "json", "xml", "binary"}));
  command->add_option("--output", options->output,
                      "Write the packet to this file instead of standard output (json, xml\n"
                      "or binary); without --format the extension (.cds, .xml, .json)\n"
                      "chooses the format");
  command->footer(
      "The input format (binary .cds, XML datapacket, JSON) is told by the file's first\n"
      "bytes.\n"
      "\n"
      "Examples:\n"
      "  conta pacote PARAMETROSXOL.CDS                   the store's parameters, to read\n"
      "  conta pacote PARAMETROSXOL.CDS --format json\n"
      "  conta pacote AliqImpFis.xml --output AliqImpFis.cds\n"
      "  conta pacote AliqImpFis.cds --format xml --output AliqImpFis.txt\n"
      "JSON output: {\"fields\":[{\"name\",\"type\",\"width\",\"fieldtype\"}...],"
      "\"rows\":[[...]...]}\n"
      "Exit status: 0 success, 1 failure (the message names the file and what is wrong), 2\n"
      "wrong command line.");
  command->callback([options] { runPacote(*options); });
}

}  // namespace conta::cli
