#include "common/Frame.h"

#include <QDir>
#include <string>

#include "common/Procedures.h"
#include "dictionary/Globals.h"
#include "resources/Resources.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/Printing.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

namespace frame {

namespace {

rt::MenuDesc& submenu(std::vector<rt::MenuDesc>& into, std::string_view text) {
  for (rt::MenuDesc& m : into)
    if (m.number == 0 && m.text == text) return m;
  rt::MenuDesc m;
  m.text = std::string(text);
  into.push_back(std::move(m));
  return into.back();
}

rt::EditAction editActionOf(std::string_view name) {
  if (name == "Cut") return rt::EditAction::Cut;
  return name == "Copy" ? rt::EditAction::Copy : rt::EditAction::Paste;
}

void openDocument(const char* name) {
  const QString dir = QDir::temp().filePath(QStringLiteral("tarnwick-documents"));
  QDir().mkpath(dir);
  const QString path = rt::extractDocument(name, dir);
  if (!path.isEmpty()) rt::ShellOpen(path.toStdString());
}

std::vector<rt::ToolDesc> navigationTools() {
  return {
      {2000, "|<", "Go to the First Page", ""},
      {2001, "<<", "Go to the Prior Page", ""},
      {2002, "<", "Go to the Prior Record", ""},
      {2003, "?", "Locate record", ""},
      {2004, ">", "Go to the Next Record", ""},
      {2005, ">>", "Go to the Next Page", ""},
      {2006, ">|", "Go to the Last Page", ""},
      {2007, "Select", "Select This Record", ""},
      {2008, "Insert", "Insert a New Record", ""},
      {2009, "Edit", "Edit This Record", ""},
      {2010, "Delete", "Delete This Record", ""},
      {2011, "Ditto", "Previous value", ""},
      {2012, "Help", "Get Help", ""},
  };
}

}  // namespace

std::vector<rt::MenuDesc> Menus(std::span<const Item> items,
                                const std::function<void(const Item&, rt::MenuDesc&)>& adjust) {
  std::vector<rt::MenuDesc> bar;
  for (const Item& item : items) {
    const std::string_view path = item.menu;
    const std::size_t split = path.find('|');
    std::vector<rt::MenuDesc>* into = &submenu(bar, path.substr(0, split)).items;
    if (split != std::string_view::npos) into = &submenu(*into, path.substr(split + 1)).items;
    rt::MenuDesc m;
    m.number = item.number;
    m.text = item.text;
    m.tip = item.tip;
    m.shortcut = item.key;
    m.disabled = item.act == Act::Start && !ProcedureAvailable(item.target);
    if (adjust) adjust(item, m);
    into->push_back(std::move(m));
  }
  return bar;
}

rt::WindowDesc Describe(const char* title, const char* background, int width, int height,
                        std::vector<rt::MenuDesc> menus) {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::MdiFrame;
  d.title = title;
  d.icon = "~tw.ico";
  d.font = "MS Sans Serif";
  d.background = background;
  d.statusBar = true;
  d.width = width;
  d.height = height;
  d.menus = std::move(menus);
  d.tools = navigationTools();
  return d;
}

void StartProcedure(const char* name) {
  if (ProcedureEntry p = FindProcedure(name)) rt::START(p, ProcedureStack(name), name);
}

FrameController::FrameController(rt::WindowDesc desc, std::span<const Item> items, const char* icon)
    : WindowController(std::move(desc), "Main"), items_(items), icon_(icon) {}

rt::Flow FrameController::Setup() {
  rt::setCurrentProcedure("Main");
  setRequest(static_cast<rt::Request>(CallRequest));
  const rt::Flow f = WindowController::Setup();
  CallRequest = 0;
  CallResponse = 0;
  if (f != rt::Flow::Fatal) window()->setIcon(icon_);
  return f;
}

rt::Flow FrameController::OnAccepted() {
  const int item = control();
  if (item >= FirstRecordButton && item <= LastRecordButton) {
    if (rt::Window* child = window()->activeChild())
      rt::PostEvent(rt::EventKind::Accepted, item, child->thread());
    return rt::Flow::Cycle;
  }
  for (const Item& i : items_)
    if (i.number == item) Perform(i);
  return WindowController::OnAccepted();
}

rt::Flow FrameController::Teardown() {
  // The other threads' windows live inside this frame: they go before it does.
  rt::closeProcedureThreads();
  const rt::Flow f = WindowController::Teardown();
  rt::setCurrentProcedure("");
  return f;
}

void FrameController::Perform(const Item& i) {
  switch (i.act) {
    case Act::Start:
    case Act::Launcher:
      StartProcedure(i.target);
      break;
    case Act::PrintSetup:
      rt::PrinterSetup();
      break;
    case Act::Exit:
      window()->post(rt::EventKind::CloseWindow);
      break;
    case Act::Edit:
      rt::editAction(editActionOf(i.target));
      break;
    case Act::Call:
      i.call();
      break;
    case Act::Run:
      rt::RUN(i.target);
      RefreshItems();
      break;
    case Act::Help:
      rt::showHelp(i.target);
      break;
    case Act::HelpSearch:
      rt::showHelpSearch();
      break;
    case Act::Document:
      openDocument(i.target);
      RefreshItems();
      break;
    case Act::Tile:
      window()->tile();
      break;
    case Act::Cascade:
      window()->cascade();
      break;
    case Act::Arrange:
      window()->arrangeIcons();
      break;
  }
}

}  // namespace frame
