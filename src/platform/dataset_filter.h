// DataSetFilter: the filter expression of a client dataset, parsed once
// against the dataset's fields and then evaluated per record.
//
// Grammar (keywords and field names without regard to case, blanks anywhere
// between tokens):
//   expression := term { OR term }
//   term       := factor { AND factor }
//   factor     := NOT factor | '(' expression ')' | comparison
//   comparison := FIELD op literal | FIELD IS [NOT] NULL | FIELD = NULL | FIELD <> NULL
//   op         := = | <> | < | > | <= | >=
//   literal    := 'text' ('' inside is one quote) | number (sign, decimals, exponent)
//
// A comparison compares the field's value in the field's own terms: texts
// byte for byte (case-sensitive), numeric fields as numbers (a text literal
// must spell a number), booleans, date-times (ISO text) and bytes. A NULL
// field value fails every comparison, <> included; only IS NULL finds it.
#ifndef CONTA_PLATFORM_DATASET_FILTER_H_
#define CONTA_PLATFORM_DATASET_FILTER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/variant.h"

namespace conta {

// Orders two non-null values of one field: <0, 0 or >0. Numbers compare
// numerically (integers exactly), texts byte-wise (after folding case when
// fold_case), booleans false first, date-times and bytes by value. Values of
// different kinds order by kind, so a sort never breaks on a stray value.
int compareFieldValues(const Variant& a, const Variant& b, bool fold_case = false);

class DataSetFilter {
 public:
  // Parses `text` for a dataset with `fields`. Throws DataSetError, starting
  // with `owner` (the dataset's name) and quoting the text, for a syntax
  // error (with its 1-based position), an unknown field, or a literal that
  // does not fit its field. A blank text is a filter that passes everything.
  DataSetFilter(std::string_view text, const std::vector<Field>& fields, std::string_view owner);
  ~DataSetFilter();
  DataSetFilter(DataSetFilter&&) noexcept;
  DataSetFilter& operator=(DataSetFilter&&) noexcept;

  const std::string& text() const { return text_; }

  // Whether a record (its values in field order) passes the filter.
  bool matches(const std::vector<Variant>& values) const;

  struct Node;

 private:
  std::string text_;
  std::unique_ptr<Node> root_;  // null: passes everything
};

}  // namespace conta

#endif  // CONTA_PLATFORM_DATASET_FILTER_H_
