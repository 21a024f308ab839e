#include "admin/DomainsWindowKit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

#include "admin/Program.h"
#include "dictionary/Dictionary.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/expr/Expression.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/Window.h"

namespace {

constexpr char kWindowIcon[] = "~tw.ico";

const rt::FieldDesc& fieldOf(const rt::FileDesc& desc, std::string_view name) {
  const int i = desc.fieldIndex(name);
  if (i < 0) throw std::logic_error("no such field: " + std::string(name));
  return desc.fields[static_cast<std::size_t>(i)];
}

const rt::FileDesc* fileOfField(std::string_view name) {
  const std::string_view prefix = name.substr(0, name.find(':'));
  for (const rt::FileDesc* d : AllFileDescs())
    if (d->prefix.size() == prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), d->prefix.begin(),
                   [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
      return d;
  throw std::logic_error("no file for field: " + std::string(name));
}

struct TextField {
  char* data;
  std::size_t width;
};

TextField textField(std::string_view name) {
  const rt::FileDesc& desc = *fileOfField(name);
  const rt::FieldDesc& f = fieldOf(desc, name);
  return {static_cast<char*>(BufferOf(desc).record) + f.offset, f.size};
}

// The dictionary's names bound once for the filters of every browse.
const rt::BindTable& dictionaryNames() {
  static const rt::BindTable table = [] {
    rt::BindTable t;
    BindDictionary(t);
    return t;
  }();
  return table;
}

// Puts the procedure name up for the error messages and back when the window is done.
std::string pushProcedure(const char* name) {
  std::string previous = rt::currentProcedure();
  rt::setCurrentProcedure(name);
  return previous;
}

// Long texts on a tab wrap inside the width they were given.
void wrapTexts(rt::Window& w) {
  for (int n : w.controls())
    if (w.controlKind(n) == rt::ControlKind::Prompt)
      if (auto* l = qobject_cast<QLabel*>(w.control(n))) l->setWordWrap(l->height() > 30);
}

void describeControls(rt::WindowDesc& d, const std::vector<ControlRow>& controls) {
  for (const ControlRow& r : controls) {
    rt::ControlDesc& c = d.add(r.kind, r.number, r.text, r.parent);
    c.picture = r.picture;
    c.tip = r.tip;
    c.status = r.status;
    c.icon = r.icon;
    if (r.kind == rt::ControlKind::Check) {
      c.trueValue = "Y";
      c.falseValue = "N";
    }
  }
}

bool isField(rt::ControlKind k) {
  return k == rt::ControlKind::Entry || k == rt::ControlKind::DropList ||
         k == rt::ControlKind::Text;
}

// The controls on the tabs go in lines, as a form is read: a prompt with its field, the
// button acting on a field beside it, a field's companions (a cost's description, an
// account's forward) after it.
void placeOnTabs(rt::WindowDesc& d) {
  const QFontMetrics fm(QApplication::font());
  const int ch = fm.averageCharWidth();
  constexpr int kLeft = 10, kTop = 10, kGap = 8, kPromptColumn = 180, kWrap = 860;
  std::map<int, rt::ControlKind> kinds;
  for (const rt::ControlDesc& c : d.controls) kinds[c.number] = c.kind;
  struct Cursor {
    int x = kLeft, y = kTop, lineHeight = 0;
    rt::ControlKind previous = rt::ControlKind::Region;
    rt::ControlKind lineStart = rt::ControlKind::Region;
  };
  std::map<int, Cursor> cursors;
  for (rt::ControlDesc& c : d.controls) {
    if (c.parent == 0 || kinds[c.parent] != rt::ControlKind::Tab) continue;
    Cursor& at = cursors[c.parent];
    const bool first = at.previous == rt::ControlKind::Region;
    const bool joins =
        !first && ((isField(c.kind) && at.previous == rt::ControlKind::Prompt) ||
                   (c.kind == rt::ControlKind::Button && isField(at.previous) &&
                    at.lineStart == rt::ControlKind::Prompt) ||
                   (c.kind == rt::ControlKind::Entry && (at.previous == rt::ControlKind::Entry ||
                                                         at.previous == rt::ControlKind::Button)));
    if (!joins) {
      if (!first) at.y += at.lineHeight;
      at.x = kLeft;
      at.lineHeight = 0;
      at.lineStart = c.kind;
    }
    int w = 0, h = 24;
    const int textWidth = fm.horizontalAdvance(QString::fromStdString(c.text)) + 12;
    switch (c.kind) {
      case rt::ControlKind::Prompt:
        w = std::min(textWidth, kWrap);
        h = (textWidth + kWrap - 1) / kWrap * (fm.height() + 2) + 4;
        break;
      case rt::ControlKind::Entry: {
        int chars = 12;
        if (c.picture.size() > 2 && (c.picture[1] == 's' || c.picture[1] == 'S'))
          chars = std::min(std::atoi(c.picture.c_str() + 2), 60) + 2;
        w = ch * chars + 12;
        break;
      }
      case rt::ControlKind::DropList:
        w = ch * 42;
        break;
      case rt::ControlKind::Text:
        w = kWrap;
        h = 260;
        break;
      case rt::ControlKind::Button:
        w = std::max(textWidth + 16, 80);
        h = 26;
        break;
      default:
        w = textWidth + 30;
        break;
    }
    // A prompt that leads a field takes the prompt column, so the fields line up.
    if (c.kind == rt::ControlKind::Prompt && !joins && textWidth < kPromptColumn) w = kPromptColumn;
    c.x = at.x;
    c.y = at.y;
    c.width = w;
    c.height = h;
    at.x += w + kGap;
    at.lineHeight = std::max(at.lineHeight, h + 6);
    at.previous = c.kind;
  }
}

}  // namespace

rt::WindowDesc DescribeWindow(const char* title, rt::WindowKind kind,
                              const std::vector<ControlRow>& controls) {
  rt::WindowDesc d;
  d.kind = kind;
  d.title = title;
  d.icon = kWindowIcon;
  d.statusBar = true;
  describeControls(d, controls);
  placeOnTabs(d);
  return d;
}

rt::Binding FieldBinding(const rt::FileDesc& desc, std::string_view name) {
  const BufferRef buffer = BufferOf(desc);
  for (const rt::MemoDesc& m : desc.memos)
    if (m.name == name) return rt::Binding(buffer.memo, m.size);
  const rt::FieldDesc& f = fieldOf(desc, name);
  return rt::Binding::field(f.type, static_cast<char*>(buffer.record) + f.offset, f.size);
}

// ---- browses ----

TableBrowse::TableBrowse(const BrowseTable& table)
    : BrowseController(DescribeWindow(table.title, rt::WindowKind::MdiChild, table.controls),
                       table.procedure),
      table_(table) {
  for (rt::ControlDesc& c : desc().controls) {
    if (c.kind == rt::ControlKind::Button && std::string_view(c.text) == "Close")
      c.cancelButton = true;
    if (c.kind == rt::ControlKind::Button && std::string_view(c.text) == "Help")
      c.helpButton = true;
  }
  int listControl = 1;
  for (const ControlRow& r : table.controls)
    if (r.kind == rt::ControlKind::List) {
      listControl = r.number;
      break;
    }
  list_ = std::make_unique<rt::ListBrowser>(*this, *table.file, listControl);
  list_->SetFormat(table.format);
  for (const char* f : table.fields) list_->AddField(f);
  rt::SortOrder& order = list_->AddSortOrder(table.key, table.appendedOrder);
  const int locatorField = table.file->desc().fieldIndex(table.locatorField);
  if (table.locatorControl)
    order.locator = std::make_unique<rt::EntryLocator>(locatorField, table.locatorControl);
  else
    order.locator = std::make_unique<rt::StepLocator>(locatorField);
  if (*table.filter) {
    auto compiled = std::make_shared<rt::Compiled<rt::Expression>>(
        rt::compile(table.filter, dictionaryNames()));
    if (!compiled->ok()) throw std::logic_error("filter: " + compiled->error().message);
    order.filter = [compiled] { return (**compiled).test(); };
  }
  rt::BrowseButtons buttons = table.buttons;
  if (table.update) SetChild(buttons.updateProcedure, table.update);
  if (ProcedureEntry print = *table.printProcedure ? FindProcedure(table.printProcedure) : nullptr)
    SetChild(buttons.printProcedure, print);
  else
    buttons.print = 0;  // waits for its report
  list_->SetButtons(buttons);
  if (table.layouts == LayoutKeeping::F9Switch) addAlertKey(rt::key::F9);
}

TableBrowse::~TableBrowse() = default;

rt::Flow TableBrowse::Setup() {
  previousProcedure_ = pushProcedure(table_.procedure);
  filesOpened_ = (*table_.relations)->OpenFiles() == rt::Status::Ok;
  const rt::Flow f = BrowseController::Setup();
  if (f == rt::Flow::Fatal) return f;
  rt::Window& w = *window();
  wrapTexts(w);
  colorer_.Init(w);
  colorer_.Refresh();
  w.setIcon(kWindowIcon);
  w.setStatusText(table_.statusText);
  if (table_.buttons.print && list_->buttons().print == 0)
    w.setEnabled(table_.buttons.print, false);
  for (const CallButton& b : table_.calls)
    if (!ProcedureAvailable(b.procedure)) w.setEnabled(b.control, false);
  loadLayouts();
  return f;
}

void TableBrowse::loadLayouts() {
  if (table_.layouts == LayoutKeeping::F9Switch) {
    layouts_ = std::make_unique<rt::BrowseLayouts>(*list_, table_.procedure);
    layouts_->Load();
    return;
  }
  const std::string design = list_->Format();
  const std::string stored = rt::iniGet(table_.procedure, "SRCFOriginal?Browse:1", "");
  if (stored != design) {
    rt::iniPut(table_.procedure, "SRCFOriginal?Browse:1", design);
    return;
  }
  const std::string user = rt::iniGet(table_.procedure, "SRCF?Browse:1", design);
  if (!user.empty()) list_->SetFormat(user);
}

void TableBrowse::saveLayouts() {
  if (layouts_)
    layouts_->Save();
  else
    rt::iniPut(table_.procedure, "SRCF?Browse:1", list_->Format());
}

rt::Flow TableBrowse::Teardown() {
  colorer_.Kill();
  const bool wasOpen = opened();
  const rt::Flow f = BrowseController::Teardown();
  if (filesOpened_) (*table_.relations)->CloseFiles();
  filesOpened_ = false;
  rt::setCurrentProcedure(previousProcedure_);
  if (wasOpen) saveLayouts();
  return f;
}

rt::Flow TableBrowse::OnAccepted() {
  const rt::Flow f = BrowseController::OnAccepted();
  if (f != rt::Flow::Continue) return f;
  for (const CallButton& b : table_.calls) {
    if (b.control != control()) continue;
    if (ProcedureEntry p = FindProcedure(b.procedure)) {
      UpdateItemValues();
      p();
      RefreshItems();
    }
    return rt::Flow::Cycle;
  }
  return f;
}

rt::Flow TableBrowse::OnFieldEvent() {
  const rt::Flow f = BrowseController::OnFieldEvent();
  if (control() == table_.sheet) colorer_.Refresh();
  return f;
}

rt::Flow TableBrowse::OnWindowEvent() {
  if (layouts_ && eventKind() == rt::EventKind::AlertKey && keyCode() == rt::key::F9) {
    layouts_->Toggle();
    return rt::Flow::Cycle;
  }
  return BrowseController::OnWindowEvent();
}

void RunBrowse(const BrowseTable& table) {
  TableBrowse w(table);
  w.Run();
}

// ---- forms ----

TableForm::TableForm(const FormTable& table)
    : FormController(DescribeWindow(table.title, rt::WindowKind::Dialog, table.controls),
                     table.procedure),
      table_(table) {
  for (rt::ControlDesc& c : desc().controls) {
    if (c.number == table.okControl) c.okButton = true;
    if (c.kind == rt::ControlKind::Button && std::string_view(c.text) == "Cancel")
      c.cancelButton = true;
    if (c.kind == rt::ControlKind::Button && std::string_view(c.text) == "Help")
      c.helpButton = true;
  }
  const rt::FileDesc& primary = (*table.manager)->keyedFile()->desc();
  std::vector<int> history;
  for (const ControlRow& r : table.controls) {
    if (!r.field) continue;
    bind(r.number, FieldBinding(primary, r.field));
    history.push_back(r.number);
  }
  SetHistoryControls(history);
  for (const DropRow& d : table.dropLists) {
    const TextField target = textField(d.targetField);
    AddDropList(d.control, *d.source, d.sourceField, target.data, target.width);
  }
  SetActionTexts(table.actionTexts);
}

TableForm::~TableForm() = default;

rt::Flow TableForm::Setup() {
  previousProcedure_ = pushProcedure(table_.procedure);
  for (rt::FileRelations** r : table_.relations)
    if ((*r)->OpenFiles() == rt::Status::Ok) opened_.push_back(*r);
  SetPrimary(**table_.manager, *table_.relations.front(), table_.okControl);
  const rt::Flow f = FormController::Setup();
  if (f == rt::Flow::Fatal) return f;
  wrapTexts(*window());
  colorer_.Init(*window());
  colorer_.Refresh();
  window()->setIcon(kWindowIcon);
  window()->setStatusText(table_.statusText);
  return f;
}

rt::Flow TableForm::Teardown() {
  colorer_.Kill();
  const rt::Flow f = FormController::Teardown();
  for (rt::FileRelations* r : opened_) r->CloseFiles();
  opened_.clear();
  rt::setCurrentProcedure(previousProcedure_);
  return f;
}

rt::Flow TableForm::OnAccepted() {
  for (const ShellButton& b : table_.shellButtons) {
    if (b.control != control()) continue;
    UpdateItemValues();
    const TextField field = textField(b.field);
    ShellOpen(window(), std::string(b.prefix) + std::string(rt::clipView(field.data, field.width)));
    return rt::Flow::Cycle;
  }
  return FormController::OnAccepted();
}

rt::Flow TableForm::OnFieldEvent() {
  const rt::Flow f = FormController::OnFieldEvent();
  if (control() == table_.sheet) colorer_.Refresh();
  return f;
}

rt::Flow TableForm::OnWindowEvent() {
  const rt::Flow f = FormController::OnWindowEvent();
  if (eventKind() == rt::EventKind::OpenWindow && table_.nameField) {
    const TextField name = textField(table_.nameField);
    if (rt::clipView(name.data, name.width) == "1") {
      rt::assignPadded(name.data, name.width, "");
      RefreshItems();
    }
  }
  return f;
}
