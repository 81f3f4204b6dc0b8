#include "support/messages.h"

namespace Messages {

TMessages::TMessages(std::vector<std::string> entries) : entries_(std::move(entries)) {}

std::string TMessages::Msg(std::string_view key) const {
  for (const auto& entry : entries_) {
    std::size_t bar = entry.find('|');
    if (bar != std::string::npos && std::string_view(entry).substr(0, bar) == key) {
      return entry.substr(bar + 1);
    }
  }
  return {};
}

}  // namespace Messages
