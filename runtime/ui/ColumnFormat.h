// The column format of a list: one text holding every column's width, alignment, modifier
// letters, header and display picture, e.g.
//   "142L(2)|M~Domain Name~@s50@49R(2)|M~Date Started~C(0)@D2@"
// A parsed format writes itself back byte for byte; a user's column resize is a new width.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

struct ColumnSpec {
  int width = 0;
  char align = 'L';           // L left, R right, C centred, D decimal (money columns)
  std::optional<int> indent;  // the "(n)" after the alignment, when written
  std::string modifiers;      // letters between the alignment and the header: "|M", "FM", "MJ"
  std::string header;
  char headerAlign = 0;  // 0: the header follows the column's own alignment
  std::optional<int> headerIndent;
  std::string picture;  // "@s50" without the closing "@"
  std::string trailer;  // text after the picture that is not a new column ("/")

  bool rightBorder() const { return has('|'); }
  bool resizable() const { return has('M'); }
  bool fixed() const { return has('F'); }
  bool icon() const { return has('J'); }  // the row hook supplies an icon for this column
  bool has(char modifier) const { return modifiers.find(modifier) != std::string::npos; }
};

class ColumnFormat {
 public:
  ColumnFormat() = default;
  // nullopt when the text is not a column format.
  static std::optional<ColumnFormat> parse(std::string_view text);

  std::string text() const;
  std::size_t size() const { return columns_.size(); }
  const ColumnSpec& column(std::size_t i) const { return columns_.at(i); }
  ColumnSpec& column(std::size_t i) { return columns_.at(i); }
  const std::vector<ColumnSpec>& columns() const { return columns_; }
  void add(ColumnSpec c) { columns_.push_back(std::move(c)); }
  void setWidth(std::size_t i, int width) { columns_.at(i).width = width < 0 ? 0 : width; }

 private:
  std::vector<ColumnSpec> columns_;
};

}  // namespace rt
