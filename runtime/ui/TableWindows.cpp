#include "runtime/ui/TableWindows.h"

#include <QLabel>
#include <algorithm>
#include <map>
#include <stdexcept>

#include "runtime/data/ErrorReporter.h"
#include "runtime/expr/Expression.h"
#include "runtime/proc/Programs.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/TableWindowsInternal.h"
#include "runtime/ui/Window.h"

namespace rt {

namespace detail {

void bad(const WindowTable& t, std::string_view what, std::string_view name) {
  throw std::logic_error(std::string(t.procedure) + ": " + std::string(what) + " " +
                         std::string(name));
}

}  // namespace detail

using detail::bad;

namespace {

TableFile fileOf(const WindowTable& t, std::string_view name) {
  const TableFile f = t.context->file(name.substr(0, name.find(':')));
  if (!f.desc) bad(t, "no file for field", name);
  return f;
}

int fieldOf(const WindowTable& t, const FileDesc& desc, std::string_view name) {
  const int i = desc.fieldIndex(name);
  if (i < 0) bad(t, "no such field", name);
  return i;
}

struct TextField {
  char* data;
  std::size_t width;
};

TextField textField(const WindowTable& t, std::string_view name) {
  const TableFile file = fileOf(t, name);
  const FieldDesc& f = file.desc->fields[static_cast<std::size_t>(fieldOf(t, *file.desc, name))];
  if (f.type != FieldType::String) bad(t, "not a text field", name);
  return {static_cast<char*>(file.record) + f.offset, f.size};
}

bool hasControl(const WindowTable& t, int number) {
  return std::any_of(t.controls.begin(), t.controls.end(),
                     [number](const ControlRow& r) { return r.number == number; });
}

void needControl(const WindowTable& t, int number) {
  if (!hasControl(t, number)) bad(t, "no such control", std::to_string(number));
}

// Puts the procedure name up for the error messages and back when the window is done.
std::string pushProcedure(const char* name) {
  std::string previous = currentProcedure();
  setCurrentProcedure(name);
  return previous;
}

// Long texts wrap inside the width they were given (those on tabs are told so as they are
// placed, for the tabs that are made as they first show).
void wrapTexts(Window& w) {
  for (int n : w.controls())
    if (w.controlKind(n) == ControlKind::Prompt && w.built(n))
      if (auto* l = qobject_cast<QLabel*>(w.control(n))) l->setWordWrap(l->height() > 30);
}

using Condition = std::shared_ptr<Compiled<Expression>>;

Condition condition(const WindowTable& t, const char* text) {
  auto c = std::make_shared<Compiled<Expression>>(compile(text, t.context->names()));
  if (!c->ok()) bad(t, "expression " + c->error().message + ":", text);
  return c;
}

// A list whose order is the one of the showing tab, else the first whose condition holds,
// else the table's fallback.
class TableList : public ListBrowser {
 public:
  TableList(BrowseController& window, const WindowTable& t, const ListTable& table)
      : ListBrowser(window, *table.file, table.control), window_(window), table_(table) {
    for (const OrderRow& o : table.orders)
      when_.push_back(*o.when ? condition(t, o.when) : nullptr);
    for (const RowIcon& i : table.icons) {
      if (i.column >= table.fields.size()) bad(t, "no such column for icon", i.icon);
      icons_.push_back({&i, condition(t, i.when)});
    }
  }

  std::size_t ChooseSortOrder() override {
    const Window* w = window_.window();
    for (std::size_t i = 0; w && i < table_.orders.size(); ++i) {
      const int tab = table_.orders[i].tab;
      if (tab != 0 && w->has(tab) && w->currentTabControl(w->parentOf(tab)) == tab) return i;
    }
    for (std::size_t i = 0; i < when_.size(); ++i)
      if (when_[i] && (**when_[i]).test()) return i;
    return table_.otherOrder;
  }

  void FillRow(RowLook& look) override {
    for (const auto& [row, when] : icons_)
      if ((**when).test()) look.icons[row->column] = row->icon;
  }

 private:
  BrowseController& window_;
  const ListTable& table_;
  std::vector<Condition> when_;
  std::vector<std::pair<const RowIcon*, Condition>> icons_;
};

// Every name of "a, -b" is a field of desc.
void checkOrderText(const WindowTable& t, const FileDesc& desc, std::string_view text) {
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    while (!part.empty() && (part.front() == ' ' || part.front() == '-' || part.front() == '+'))
      part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) fieldOf(t, desc, part);
  }
}

std::unique_ptr<TableList> makeList(BrowseController& w, const WindowTable& t,
                                    const ListTable& lt) {
  if (!lt.file) bad(t, "no file for list", std::to_string(lt.control));
  needControl(t, lt.control);
  const FileDesc& desc = lt.file->desc();
  auto list = std::make_unique<TableList>(w, t, lt);
  if (!list->SetFormat(lt.format)) bad(t, "not a column format:", lt.format);
  for (const char* f : lt.fields) list->AddField(fieldOf(t, desc, f));
  for (const OrderRow& o : lt.orders) {
    if (*o.key && desc.keyIndex(o.key) < 0) bad(t, "no such key", o.key);
    checkOrderText(t, desc, o.appended);
    SortOrder& order = list->AddSortOrder(o.key, o.appended, o.tab);
    if (o.locatorField) {
      const int field = fieldOf(t, desc, o.locatorField);
      if (o.locatorControl) {
        needControl(t, o.locatorControl);
        order.locator = std::make_unique<EntryLocator>(field, o.locatorControl);
      } else {
        order.locator = std::make_unique<StepLocator>(field);
      }
    }
    if (*o.filter) {
      Condition compiled = condition(t, o.filter);
      order.filter = [compiled] { return (**compiled).test(); };
    }
    if (!o.range.empty()) {
      const TableFile from = fileOf(t, o.range.front());
      std::vector<int> fields;
      for (const char* r : o.range) {
        if (fileOf(t, r).desc != from.desc) bad(t, "range fields of two files:", r);
        fields.push_back(fieldOf(t, *from.desc, r));
      }
      list->SetRangeFrom(order, *from.desc, from.record, std::move(fields));
    }
  }
  if (lt.otherOrder >= std::max<std::size_t>(lt.orders.size(), 1))
    bad(t, "no such order", std::to_string(lt.otherOrder));
  list->SetSelectMode(lt.selectMode);
  return list;
}

}  // namespace

// What browses and forms share: the lists and their buttons, the child procedures, the
// files opened with the window, the look, the buttons of a role of their own.
struct TableParts {
  TableParts(BrowseController& w, const WindowTable& t);

  void openFiles();
  void opened();
  void closing();
  void closed();
  bool accepted(Flow& flow);
  void showTwins(int control);
  void fieldEvent();
  bool windowEvent();

  void loadLayouts(std::size_t i);
  void saveLayouts(std::size_t i);

  BrowseController& window;
  const WindowTable& table;
  std::vector<std::unique_ptr<TableList>> lists;
  std::vector<std::unique_ptr<BrowseLayouts>> layouts;
  std::vector<int> unavailable;           // list buttons whose child is not in the program
  std::map<int, std::vector<int>> twins;  // the other controls showing a control's field
  std::vector<FileRelations*> openedFiles;
  std::unique_ptr<WindowLook> look;
  std::string previousProcedure;
};

TableParts::TableParts(BrowseController& w, const WindowTable& t) : window(w), table(t) {
  if (!t.context) throw std::logic_error(std::string(t.procedure) + ": no table context");
  std::map<std::string, std::vector<int>> byField;  // upper-cased field -> its controls
  for (const ControlRow& r : t.controls) {
    if (!r.field) continue;
    w.bind(r.number, FieldBinding(fileOf(t, r.field), r.field));
    byField[UPPER(r.field)].push_back(r.number);
  }
  for (const auto& [field, shown] : byField)
    if (shown.size() > 1)
      for (int c : shown)
        for (int o : shown)
          if (o != c) twins[c].push_back(o);
  std::map<int, bool> available;
  for (const ChildRow& c : t.children) {
    TableProcedure p = c.entry;
    if (!p && *c.name) p = t.context->procedure(c.name);
    available[c.number] = p != nullptr;
    if (p) w.SetChild(c.number, p);
  }
  for (const ListTable& lt : t.lists) lists.push_back(makeList(w, t, lt));
  std::vector<BrowseButtons> buttons(lists.size());
  for (std::size_t i = 0; i < lists.size(); ++i) {
    buttons[i].updateProcedure = t.lists[i].update;
    buttons[i].printProcedure = t.lists[i].print;
  }
  for (const ButtonRow& b : t.buttons) {
    needControl(t, b.control);
    switch (b.role) {
      case ButtonRole::Insert:
      case ButtonRole::Change:
      case ButtonRole::Delete:
      case ButtonRole::Select:
      case ButtonRole::Print: {
        if (b.list >= lists.size()) bad(t, "no such list", std::to_string(b.list));
        BrowseButtons& lb = buttons[b.list];
        const int child = b.role == ButtonRole::Print    ? lb.printProcedure
                          : b.role == ButtonRole::Select ? -1
                                                         : lb.updateProcedure;
        const bool declaredOff =
            std::find(t.disabled.begin(), t.disabled.end(), b.control) != t.disabled.end();
        if (declaredOff || (child >= 0 && !available[child])) {
          unavailable.push_back(b.control);
          break;
        }
        int& slot = b.role == ButtonRole::Insert   ? lb.insert
                    : b.role == ButtonRole::Change ? lb.change
                    : b.role == ButtonRole::Delete ? lb.remove
                    : b.role == ButtonRole::Select ? lb.select
                                                   : lb.print;
        slot = b.control;
        break;
      }
      case ButtonRole::Shell:
        textField(t, b.field ? b.field : "");
        break;
      case ButtonRole::Call:
        if (!*b.target) bad(t, "no procedure for button", std::to_string(b.control));
        break;
      default:
        break;
    }
  }
  for (std::size_t i = 0; i < lists.size(); ++i) lists[i]->SetButtons(buttons[i]);
  if (t.placeholderField) textField(t, t.placeholderField);
  if (std::any_of(t.lists.begin(), t.lists.end(),
                  [](const ListTable& l) { return l.layouts == LayoutKeeping::F9Switch; }))
    w.addAlertKey(key::F9);
}

void TableParts::openFiles() {
  previousProcedure = pushProcedure(table.procedure);
  const AccessNotice oneMessage;  // one box for all the held files, not one per relation
  for (FileRelations** r : table.relations)
    if ((*r)->OpenFiles() == Status::Ok) openedFiles.push_back(*r);
}

void TableParts::opened() {
  Window& w = *window.window();
  wrapTexts(w);
  if (table.context->look) look = table.context->look(w);
  if (!table.context->icon.empty()) w.setIcon(table.context->icon);
  w.setStatusText(table.statusText);
  for (int c : unavailable) w.setEnabled(c, false);
  for (const ButtonRow& b : table.buttons)
    if (b.role == ButtonRole::Call && !table.context->procedure(b.target))
      w.setEnabled(b.control, false);
  layouts.resize(lists.size());
  for (std::size_t i = 0; i < lists.size(); ++i) loadLayouts(i);
}

void TableParts::loadLayouts(std::size_t i) {
  const std::string n = std::to_string(i + 1);
  switch (table.lists[i].layouts) {
    case LayoutKeeping::None:
      return;
    case LayoutKeeping::F9Switch:
      layouts[i] = std::make_unique<BrowseLayouts>(
          *lists[i], table.procedure, "?Browse:" + n + ":ORIG", "?Browse:" + n + ":USER");
      layouts[i]->Load();
      return;
    case LayoutKeeping::KeptWithDesign: {
      const std::string design = lists[i]->Format();
      const std::string stored = iniGet(table.procedure, "SRCFOriginal?Browse:" + n, "");
      if (stored != design) {
        iniPut(table.procedure, "SRCFOriginal?Browse:" + n, design);
        return;
      }
      const std::string user = iniGet(table.procedure, "SRCF?Browse:" + n, design);
      if (!user.empty()) lists[i]->SetFormat(user);
      return;
    }
  }
}

void TableParts::saveLayouts(std::size_t i) {
  if (layouts[i])
    layouts[i]->Save();
  else if (table.lists[i].layouts == LayoutKeeping::KeptWithDesign)
    iniPut(table.procedure, "SRCF?Browse:" + std::to_string(i + 1), lists[i]->Format());
}

void TableParts::closing() {
  look.reset();
}

void TableParts::closed() {
  for (FileRelations* r : openedFiles) r->CloseFiles();
  openedFiles.clear();
  setCurrentProcedure(previousProcedure);
}

bool TableParts::accepted(Flow& flow) {
  for (const ButtonRow& b : table.buttons) {
    if (b.control != window.control()) continue;
    if (b.role == ButtonRole::Call) {
      if (TableProcedure p = table.context->procedure(b.target)) {
        window.UpdateItemValues();
        p();
        window.RefreshItems();
      }
      flow = Flow::Cycle;
      return true;
    }
    if (b.role == ButtonRole::Shell) {
      window.UpdateItemValues();
      const TextField field = textField(table, b.field);
      ShellOpen(std::string(b.target) + std::string(clipView(field.data, field.width)));
      flow = Flow::Cycle;
      return true;
    }
  }
  return false;
}

// A field shown on several tabs: the copies not typed into would write back the old value.
void TableParts::showTwins(int control) {
  const auto it = twins.find(control);
  if (it == twins.end() || !window.window()) return;
  for (int n : it->second) window.window()->display(n);
}

void TableParts::fieldEvent() {
  const Window* w = window.window();
  if (look && w && w->has(window.control()) &&
      w->controlKind(window.control()) == ControlKind::Sheet)
    look->tabChanged();
}

bool TableParts::windowEvent() {
  if (window.eventKind() != EventKind::AlertKey || window.keyCode() != key::F9) return false;
  bool any = false;
  for (const auto& l : layouts)
    if (l) {
      l->Toggle();
      any = true;
    }
  return any;
}

void checkTable(const WindowTable& table) {
  if (table.manager)
    TableForm form(table);
  else
    TableBrowse browse(table);
}

namespace {
std::vector<RegisteredTable>& tableRegistry() {
  static std::vector<RegisteredTable> tables;
  return tables;
}
}  // namespace

const std::vector<RegisteredTable>& windowTables() {
  return tableRegistry();
}

WindowTableRegistration::WindowTableRegistration(std::initializer_list<RegisteredTable> tables) {
  tableRegistry().insert(tableRegistry().end(), tables.begin(), tables.end());
}

Binding FieldBinding(const TableFile& file, std::string_view name) {
  for (const MemoDesc& m : file.desc->memos)
    if (equalsNoCase(m.name, name)) return Binding(file.memo, m.size);
  const int i = file.desc->fieldIndex(name);
  if (i < 0) throw std::logic_error("no such field " + std::string(name));
  const FieldDesc& f = file.desc->fields[static_cast<std::size_t>(i)];
  return Binding::field(f.type, static_cast<char*>(file.record) + f.offset, f.size);
}

// ---- browses ----

TableBrowse::TableBrowse(const WindowTable& table)
    : BrowseController(DescribeWindow(table, WindowKind::MdiChild), table.procedure),
      table_(table),
      parts_(std::make_unique<TableParts>(*this, table)) {}

TableBrowse::~TableBrowse() = default;

ListBrowser& TableBrowse::list(std::size_t i) {
  return *parts_->lists.at(i);
}

Flow TableBrowse::Setup() {
  parts_->openFiles();
  const Flow f = BrowseController::Setup();
  if (f == Flow::Fatal) return f;
  parts_->opened();
  return f;
}

Flow TableBrowse::Teardown() {
  parts_->closing();
  const bool wasOpen = opened();
  const Flow f = BrowseController::Teardown();
  parts_->closed();
  if (wasOpen)
    for (std::size_t i = 0; i < parts_->lists.size(); ++i) parts_->saveLayouts(i);
  return f;
}

Flow TableBrowse::OnAccepted() {
  const Flow f = BrowseController::OnAccepted();
  parts_->showTwins(control());
  if (f != Flow::Continue) return f;
  Flow own = f;
  return parts_->accepted(own) ? own : f;
}

Flow TableBrowse::OnFieldEvent() {
  const Flow f = BrowseController::OnFieldEvent();
  parts_->fieldEvent();
  return f;
}

Flow TableBrowse::OnWindowEvent() {
  if (parts_->windowEvent()) return Flow::Cycle;
  return BrowseController::OnWindowEvent();
}

void RunBrowse(const WindowTable& table) {
  TableBrowse w(table);
  w.Run();
}

// ---- forms ----

namespace {
int okControl(const WindowTable& t) {
  for (const ButtonRow& b : t.buttons)
    if (b.role == ButtonRole::Ok) return b.control;
  return 0;
}
}  // namespace

TableForm::TableForm(const WindowTable& table)
    : FormController(DescribeWindow(table, table.formKind), table.procedure),
      table_(table),
      parts_(std::make_unique<TableParts>(*this, table)) {
  std::vector<int> history;
  for (const ControlRow& r : table.controls)
    if (r.field) history.push_back(r.number);
  SetHistoryControls(history);
  for (const DropRow& d : table.dropLists) {
    needControl(table, d.control);
    fieldOf(table, d.source->desc(), d.sourceField);
    const TextField target = textField(table, d.targetField);
    AddDropList(d.control, *d.source, d.sourceField, target.data, target.width);
  }
  for (const RequiredRow& r : table.required)
    if (std::none_of(table.controls.begin(), table.controls.end(),
                     [&r](const ControlRow& c) { return c.number == r.control && c.field; }))
      bad(table, "required control without a field", std::to_string(r.control));
  SetActionTexts(table.actionTexts);
}

TableForm::~TableForm() = default;

ListBrowser& TableForm::list(std::size_t i) {
  return *parts_->lists.at(i);
}

Flow TableForm::PrimeRequest() {
  const bool insert = request() == Request::Insert && table_.refused.insert;
  if (insert || (request() == Request::Delete && table_.refused.remove)) {
    ShowMessageBox(insert ? "This form cannot be used to insert a record"
                          : "This form cannot be used to delete a record",
                   "Invalid Request", MessageIcon::Exclamation);
    setResponse(RequestCancelled);
    return Flow::Fatal;
  }
  return FormController::PrimeRequest();
}

Flow TableForm::Setup() {
  parts_->openFiles();
  SetPrimary(**table_.manager, table_.relations.empty() ? nullptr : *table_.relations.front(),
             okControl(table_));
  const Flow f = FormController::Setup();
  if (f == Flow::Fatal) return f;
  parts_->opened();
  return f;
}

Flow TableForm::Teardown() {
  parts_->closing();
  const Flow f = FormController::Teardown();
  parts_->closed();
  return f;
}

Flow TableForm::OnAccepted() {
  Flow own = Flow::Continue;
  if (parts_->accepted(own)) return own;
  const Flow f = FormController::OnAccepted();
  parts_->showTwins(control());
  return f;
}

Flow TableForm::OnFieldEvent() {
  const Flow f = FormController::OnFieldEvent();
  parts_->fieldEvent();
  return f;
}

Flow TableForm::OnWindowEvent() {
  if (parts_->windowEvent()) return Flow::Cycle;
  const Flow f = FormController::OnWindowEvent();
  if (eventKind() == EventKind::OpenWindow && table_.placeholderField) {
    const TextField name = textField(table_, table_.placeholderField);
    if (clipView(name.data, name.width) == "1") {
      assignPadded(name.data, name.width, "");
      RefreshItems();
    }
  }
  return f;
}

Flow TableForm::CheckCompletion() {
  const Flow f = FormController::CheckCompletion();
  if (f != Flow::Continue || (request() != Request::Insert && request() != Request::Change))
    return f;
  for (const RequiredRow& r : table_.required) {
    const Binding* b = window()->binding(r.control);
    if (!b) continue;
    const std::string value = textOf(b->get());
    if (!clipView(value.data(), value.size()).empty()) continue;
    ShowMessageBox(r.message, "Required Field", MessageIcon::Exclamation);
    window()->selectControl(r.control);
    return Flow::Cycle;
  }
  return f;
}

}  // namespace rt
