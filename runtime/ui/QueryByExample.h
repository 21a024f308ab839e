// Query by example: a dialog (QueryWindow) offers a list's query fields, each with an
// operator and a value; the answers become a filter text of the expression language that
// the list applies, that can be read back and set again, and that is kept among the
// procedure's last queries in the program's INI file.
//
//   rt::QueryByExample qbe("viewlinks", names, list);
//   qbe.AddItem("UPPER(WPL:WebPageLink)", "Link", "@s100");
//   if (qbe.Ask()) ... qbe.filterText() ...
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/WindowController.h"

namespace rt {

class BindTable;
class ListBrowser;

enum class QueryOp { Contains, BeginsWith, Equals, Less, Greater };

struct QueryField {
  std::string label;
  std::string expression;  // "UPPER(WPL:WebPageLink)": the value is compared upper-cased too
  std::string picture;     // of the value's entry
};

// What a user answered for one field; a blank value leaves the field out of the query.
struct QueryTerm {
  QueryOp op = QueryOp::Contains;
  std::string value;
  friend bool operator==(const QueryTerm&, const QueryTerm&) = default;
};
using QueryTerms = std::vector<QueryTerm>;  // one per field, in the fields' order

// A text as a literal of the expression language, whatever it holds.
std::string quoteLiteral(std::string_view text);
// The asked terms joined by AND; empty when none is asked.
std::string queryFilterText(const std::vector<QueryField>& fields, const QueryTerms& terms);

struct KeptQuery {
  std::string filter;
  QueryTerms terms;
};

class QueryByExample {
 public:
  static constexpr std::size_t kKept = 5;

  QueryByExample(std::string procedure, const BindTable& names, ListBrowser& list);

  void AddItem(std::string expression, std::string label, std::string picture);
  const std::vector<QueryField>& fields() const { return fields_; }

  // Runs the query dialog on the calling thread over the last answers; OK applies the
  // query to the list and keeps it, Load applies a kept query's filter text as the INI
  // file holds it. False when cancelled or not applied.
  bool Ask();
  // The filter the list applies now; empty when none.
  const std::string& filterText() const { return filter_; }
  // Applies a filter text as the list's filter (empty: none). A text the evaluator cannot
  // use is reported in a message naming the problem, and the list keeps its filter.
  bool SetFilterText(std::string_view text);
  // The procedure's kept queries, newest first.
  std::vector<KeptQuery> kept() const;

 private:
  void keep(const QueryTerms& terms);

  std::string procedure_;
  const BindTable& names_;
  ListBrowser& list_;
  std::vector<QueryField> fields_;
  QueryTerms terms_;
  std::string filter_;
};

// The query dialog: a line per field (label, value, operator), the kept queries with a
// button that loads one (the dialog closes with it), Clear, OK and Cancel.
class QueryWindow : public WindowController {
 public:
  QueryWindow(const std::vector<QueryField>& fields, QueryTerms terms, std::vector<KeptQuery> kept);
  const QueryTerms& terms() const { return terms_; }
  // The kept query chosen with Load; nullptr when the answers were given.
  const KeptQuery* loaded() const { return loaded_; }

  void BeginWork() override;
  Flow OnAccepted() override;
  Flow PerformRequest() override;

  static constexpr int kKeptList = 1, kLoad = 2, kClear = 3, kOk = 4, kCancel = 5, kFirstField = 10;
  static int valueControl(std::size_t field) {
    return kFirstField + 3 * static_cast<int>(field) + 1;
  }
  static int operatorControl(std::size_t field) { return valueControl(field) + 1; }

 private:
  void show(const QueryTerms& terms);

  QueryTerms terms_;
  std::vector<KeptQuery> kept_;
  const KeptQuery* loaded_ = nullptr;
};

}  // namespace rt
