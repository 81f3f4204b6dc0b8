// TMessages: a table of texts by key ("KEY|text" entries), from which the
// bill rules take the texts of the failures they report.
#ifndef CONTA_SUPPORT_MESSAGES_H_
#define CONTA_SUPPORT_MESSAGES_H_

#include <string>
#include <string_view>
#include <vector>

namespace Messages {

class TMessages {
 public:
  TMessages() = default;
  // Entries "KEY|text", in table order; the key is everything before the
  // first '|'.
  explicit TMessages(std::vector<std::string> entries);

  const std::vector<std::string>& entries() const { return entries_; }
  // The text stored under `key` (exact, case-sensitive); the empty text for
  // a key the table does not hold.
  std::string Msg(std::string_view key) const;

 private:
  std::vector<std::string> entries_;
};

}  // namespace Messages

#endif  // CONTA_SUPPORT_MESSAGES_H_
