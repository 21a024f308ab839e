#include "runtime/ui/QueryByExample.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "runtime/expr/Expression.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/FilterConditions.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/ListBrowser.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/QtText.h"

namespace rt {

namespace {

struct OperatorRow {
  QueryOp op;
  const char* text;  // as the dialog offers it
  char kept;         // as the INI file keeps it
};
constexpr OperatorRow kOperators[] = {
    {QueryOp::Contains, "Contains", 'c'},    {QueryOp::BeginsWith, "Begins With", 'b'},
    {QueryOp::Equals, "Equals", 'e'},        {QueryOp::Less, "Less Than", 'l'},
    {QueryOp::Greater, "Greater Than", 'g'},
};

const OperatorRow& rowOf(QueryOp op) {
  for (const OperatorRow& r : kOperators)
    if (r.op == op) return r;
  return kOperators[0];
}

bool foldsCase(std::string_view expression) {
  return UPPER(expression.substr(0, 6)) == "UPPER(";
}

std::string termText(const QueryField& f, const QueryTerm& t) {
  std::string value(clipView(t.value.data(), t.value.size()));
  if (foldsCase(f.expression)) value = UPPER(value);
  const std::string literal = quoteLiteral(value);
  switch (t.op) {
    case QueryOp::Contains:
      return "INSTRING(" + literal + "," + f.expression + ",1,1)";
    case QueryOp::BeginsWith:
      return "SUB(" + f.expression + ",1," + std::to_string(value.size()) + ") = " + literal;
    case QueryOp::Equals:
      return f.expression + " = " + literal;
    case QueryOp::Less:
      return f.expression + " < " + literal;
    case QueryOp::Greater:
      return f.expression + " > " + literal;
  }
  return {};
}

// "<op><length>:<value>" per term: a value may hold any character the INI line can.
std::string keptTerms(const QueryTerms& terms) {
  std::string out;
  for (const QueryTerm& t : terms)
    out += rowOf(t.op).kept + std::to_string(t.value.size()) + ":" + t.value;
  return out;
}

QueryTerms readTerms(std::string_view text) {
  QueryTerms out;
  while (!text.empty()) {
    QueryTerm t;
    for (const OperatorRow& r : kOperators)
      if (r.kept == text.front()) t.op = r.op;
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) break;
    const std::size_t length =
        std::strtoul(std::string(text.substr(1, colon - 1)).c_str(), nullptr, 10);
    t.value = std::string(text.substr(colon + 1, length));
    text.remove_prefix(std::min(text.size(), colon + 1 + length));
    out.push_back(std::move(t));
  }
  return out;
}

std::string keyOf(std::size_t i, std::string_view part = {}) {
  return "Query" + std::to_string(i + 1) + std::string(part);
}

}  // namespace

std::string quoteLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string queryFilterText(const std::vector<QueryField>& fields, const QueryTerms& terms) {
  std::string out;
  for (std::size_t i = 0; i < fields.size() && i < terms.size(); ++i) {
    if (clipView(terms[i].value.data(), terms[i].value.size()).empty()) continue;
    if (!out.empty()) out += " AND ";
    out += termText(fields[i], terms[i]);
  }
  return out;
}

// ---- QueryByExample ----

QueryByExample::QueryByExample(std::string procedure, const BindTable& names, ListBrowser& list)
    : procedure_(std::move(procedure)), names_(names), list_(list) {}

void QueryByExample::AddItem(std::string expression, std::string label, std::string picture) {
  fields_.push_back({std::move(label), std::move(expression), std::move(picture)});
  terms_.resize(fields_.size());
}

bool QueryByExample::Ask() {
  QueryWindow w(fields_, terms_, kept());
  if (w.Run() != RequestCompleted) return false;
  const std::string filter = w.loaded() ? w.loaded()->filter : queryFilterText(fields_, w.terms());
  if (!SetFilterText(filter)) return false;
  terms_ = w.terms();
  if (!filter_.empty()) keep(terms_);
  return true;
}

bool QueryByExample::SetFilterText(std::string_view text) {
  if (clipView(text.data(), text.size()).empty()) {
    list_.SetQuery({});
    filter_.clear();
    return true;
  }
  auto compiled = std::make_shared<Compiled<Expression>>(compile(text, names_));
  if (!compiled->ok()) {
    const ExprError& e = compiled->error();
    ShowMessageBox("This query cannot be used: " + e.message + " (at character " +
                       std::to_string(e.position) + ").",
                   "Query", MessageIcon::Exclamation);
    return false;
  }
  list_.SetQuery([compiled] { return (**compiled).test(); },
                 textConditions(**compiled, list_.file()));
  filter_ = std::string(text);
  return true;
}

std::vector<KeptQuery> QueryByExample::kept() const {
  std::vector<KeptQuery> out;
  for (std::size_t i = 0; i < kKept; ++i) {
    KeptQuery q{iniGet(procedure_, keyOf(i), ""),
                readTerms(iniGet(procedure_, keyOf(i, ":Terms"), ""))};
    if (q.filter.empty()) continue;
    q.terms.resize(fields_.size());
    out.push_back(std::move(q));
  }
  return out;
}

void QueryByExample::keep(const QueryTerms& terms) {
  std::vector<KeptQuery> queries = kept();
  std::erase_if(queries, [&](const KeptQuery& q) { return q.filter == filter_; });
  queries.insert(queries.begin(), {filter_, terms});
  queries.resize(std::min(queries.size(), kKept));
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const std::string terms = keptTerms(queries[i].terms);
    iniPut(procedure_, {{keyOf(i), queries[i].filter}, {keyOf(i, ":Terms"), terms}});
  }
}

// ---- QueryWindow ----

namespace {

WindowDesc queryDesc(const std::vector<QueryField>& fields) {
  const QFontMetrics fm(QApplication::font());
  const int ch = fm.averageCharWidth();
  constexpr int kLeft = 12, kTop = 12, kLine = 32, kHeight = 24, kGap = 8;
  int labelWidth = 120;
  for (const QueryField& f : fields)
    labelWidth = std::max(labelWidth, fm.horizontalAdvance(qtText(f.label)) + 16);
  const int valueLeft = kLeft + labelWidth;
  const int valueWidth = ch * 52;
  const int opLeft = valueLeft + valueWidth + kGap;
  const int opWidth = fm.horizontalAdvance("Greater Than") + 48;
  const int right = opLeft + opWidth;

  WindowDesc d;
  d.kind = WindowKind::Dialog;
  d.title = "Query by Example";
  d.icon = "QkQBE.ico";
  d.resizable = false;
  std::string items;
  for (const OperatorRow& r : kOperators) items += (items.empty() ? "" : "|") + std::string(r.text);
  int y = kTop;
  for (std::size_t i = 0; i < fields.size(); ++i, y += kLine) {
    ControlDesc& label =
        d.add(ControlKind::Prompt, QueryWindow::valueControl(i) - 1, fields[i].label);
    label.x = kLeft, label.y = y + 3, label.width = labelWidth - kGap, label.height = kHeight - 4;
    ControlDesc& value = d.entry(QueryWindow::valueControl(i), fields[i].picture);
    value.x = valueLeft, value.y = y, value.width = valueWidth, value.height = kHeight;
    value.tip = "What the field is compared with; blank: any.";
    ControlDesc& op = d.add(ControlKind::DropList, QueryWindow::operatorControl(i));
    op.items = items;
    op.x = opLeft, op.y = y, op.width = opWidth, op.height = kHeight;
  }
  y += kGap;
  ControlDesc& kept = d.add(ControlKind::DropList, QueryWindow::kKeptList);
  kept.tip = "The last queries of this window.";
  kept.x = kLeft, kept.y = y, kept.width = opLeft - kLeft - kGap, kept.height = kHeight;
  ControlDesc& load = d.add(ControlKind::Button, QueryWindow::kLoad, "&Load");
  load.icon = "QkLoad.ico";
  load.tip = "Fills in the chosen last query.";
  load.x = opLeft, load.y = y, load.width = opWidth, load.height = kHeight + 2;
  y += kLine + kGap;
  const int buttonWidth = 90;
  struct Button {
    int number;
    const char* text;
  };
  int x = right - 3 * buttonWidth - 2 * kGap;
  for (const Button& b : {Button{QueryWindow::kClear, "C&lear"}, Button{QueryWindow::kOk, "OK"},
                          Button{QueryWindow::kCancel, "Cancel"}}) {
    ControlDesc& c = d.add(ControlKind::Button, b.number, b.text);
    c.x = x, c.y = y, c.width = buttonWidth, c.height = kHeight + 2;
    c.okButton = b.number == QueryWindow::kOk;
    c.cancelButton = b.number == QueryWindow::kCancel;
    x += buttonWidth + kGap;
  }
  // A margin right and below, as left and above.
  d.width = right + kLeft;
  d.height = y + kHeight + 2 + kTop;
  return d;
}

}  // namespace

QueryWindow::QueryWindow(const std::vector<QueryField>& fields, QueryTerms terms,
                         std::vector<KeptQuery> kept)
    : WindowController(queryDesc(fields), "QueryWindow"),
      terms_(std::move(terms)),
      kept_(std::move(kept)) {
  terms_.resize(fields.size());
}

void QueryWindow::BeginWork() {
  WindowController::BeginWork();
  // Filled here rather than described: a kept filter may hold the items' separator.
  if (auto* box = qobject_cast<QComboBox*>(window()->control(kKeptList))) {
    for (const KeptQuery& q : kept_) box->addItem(qtText(q.filter));
    // A long filter is read from its start.
    if (QLineEdit* line = box->lineEdit()) line->setCursorPosition(0);
  }
  window()->setEnabled(kLoad, !kept_.empty());
  show(terms_);
}

void QueryWindow::show(const QueryTerms& terms) {
  for (std::size_t i = 0; i < terms_.size() && i < terms.size(); ++i) {
    window()->setText(valueControl(i), terms[i].value);
    window()->setText(operatorControl(i), rowOf(terms[i].op).text);
  }
}

Flow QueryWindow::OnAccepted() {
  if (control() == kLoad) {
    const auto* box = qobject_cast<QComboBox*>(window()->control(kKeptList));
    const int i = box ? box->currentIndex() : -1;
    if (i < 0 || i >= static_cast<int>(kept_.size())) return Flow::Cycle;
    loaded_ = &kept_[static_cast<std::size_t>(i)];
    terms_ = loaded_->terms;
    CloseWithResponse(RequestCompleted);
    return Flow::Cycle;
  }
  if (control() == kClear) {
    show(QueryTerms(terms_.size(), QueryTerm{}));
    window()->selectControl(valueControl(0));
    return Flow::Cycle;
  }
  return WindowController::OnAccepted();
}

Flow QueryWindow::PerformRequest() {
  for (std::size_t i = 0; i < terms_.size(); ++i) {
    terms_[i].value = window()->text(valueControl(i));
    const std::string op = window()->text(operatorControl(i));
    for (const OperatorRow& r : kOperators)
      if (op == r.text) terms_[i].op = r.op;
  }
  return Flow::Continue;
}

}  // namespace rt
