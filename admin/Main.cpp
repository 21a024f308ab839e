#include "admin/Main.h"

#include <QDir>
#include <map>
#include <span>

#include "admin/Program.h"
#include "admin/ProgramIni.h"
#include "admin/Startup.h"
#include "dictionary/Dictionary.h"
#include "resources/Resources.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/FixedString.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Printing.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowController.h"
#include "runtime/ui/WindowLayer.h"

namespace {

enum class Act {
  Start,     // the procedure `target` on a new thread
  Launcher,  // the check item on cptog, then the launcher
  PrintSetup,
  Exit,
  Edit,  // the clipboard action `target` on the focused control
  Call,  // a windowless routine on the frame's thread
  Run,   // the external program `target`
  Tile,
  Cascade,
  Arrange,
  Help,      // the contents of the help book
  Document,  // a shipped document handed to the desktop's opener
};

struct FrameItem {
  int number;
  const char* menu;  // "Menu" or "Menu|Submenu"
  const char* text;
  const char* tip;
  const char* key;
  Act act;
  const char* target;
  void (*call)();
};

constexpr char kData[] = "&Main Data Files";
constexpr char kCross[] = "&Main Data Files|Cross Reference Web Page Data";
constexpr char kReports[] = "&Reports";
constexpr char kUtil[] = "Utilities";
constexpr char kGlobal[] = "Utilities|Global Changes";
constexpr char kRebuild[] = "Utilities|Rebuild Indexes";
constexpr char kHelp[] = "&Help";

const FrameItem kItems[] = {
    {-2, "&File", "&RuDerudoz Oridi", "", "", Act::Launcher, "cpanel2", nullptr},
    {-3, "&File", "&Print Setup ...", "Setup printer", "", Act::PrintSetup, "", nullptr},
    {-4, "&File", "E&xit", "Exit this application", "", Act::Exit, "", nullptr},
    {-6, "&Edit", "Cu&t", "", "", Act::Edit, "Cut", nullptr},
    {-7, "&Edit", "&Copy", "", "", Act::Edit, "Copy", nullptr},
    {-8, "&Edit", "&Paste", "", "", Act::Edit, "Paste", nullptr},
    {-10, kData, "&Main Work Area: By Domain", "Browse Main file to house your domain data.", "F5",
     Act::Start, "BrowseDomains", nullptr},
    {-11, kData, "&Hosts File", "Browse ISP hosts file (where the domains are hosted.)", "F6",
     Act::Start, "BrowseHosts", nullptr},
    {-12, kData, "&Registrar Companies File",
     "Browse This is the company that registered your domain name for the internet.", "F7",
     Act::Start, "BrowseRegistrars", nullptr},
    {-13, kData, "&QuickView Web Page Data", "", "F8", Act::Start, "BrowseWebPages2", nullptr},
    {-15, kCross, "View Images", "", "", Act::Start, "viewimages", nullptr},
    {-16, kCross, "View Forms", "", "", Act::Start, "viewforms", nullptr},
    {-17, kCross, "View Links", "", "", Act::Start, "viewlinks", nullptr},
    {-18, kCross, "View Meta Tags", "", "", Act::Start, "viewmeta", nullptr},
    {-19, kCross, "View Scripts", "", "", Act::Start, "viewscripts", nullptr},
    {-21, kReports, "Print the &Domains File", "Print in record order", "", Act::Start,
     "PrintDomains", nullptr},
    {-22, kReports, "Print the &Hosts File", "Print in record order", "", Act::Start, "PrintHosts",
     nullptr},
    {-23, kReports, "Print the &Registrar Companies", "Print in record order", "", Act::Start,
     "PrintRegistrars", nullptr},
    {-24, kReports, "Hosting &Profile Report", "compares features of hosts", "", Act::Start,
     "comparisons", nullptr},
    {-25, kReports, "Reminder Window &+ Report", "", "", Act::Start, "notice", nullptr},
    {-26, kReports, "Web Pages Report", "", "", Act::Start, "webpagereport", nullptr},
    {-27, kReports, "Print &Images For a Domain", "Prints all images", "", Act::Start,
     "preimgreport", nullptr},
    {-29, kUtil, "Configure RuDerudoz Oridi", "", "", Act::Start, "ConfigureControlPanel", nullptr},
    {-30, kUtil, "Delete WebPages By Domain", "", "", Act::Start, "delpages", nullptr},
    {-32, kGlobal, "Change Local Paths", "", "", Act::Start, "ChgLoPaWindow", nullptr},
    {-33, kGlobal, "Change All Pages to \"Currently Use\" (By domain)", "", "", Act::Start,
     "chgcurruse", nullptr},
    {-35, kRebuild, "&Domains File", "Rebuild Index", "", Act::Call, "", &RebuildDomainsKeys},
    {-36, kRebuild, "&Hosts File", "Rebuild Hosts file indexes", "", Act::Call, "",
     &RebuildHostsKeys},
    {-37, kRebuild, "&Registrar File", "Rebuilds Registrar Indexes", "", Act::Call, "",
     &RebuildRegistrarsKeys},
    {-38, kRebuild, "Rebuild Web Page Indexes (ALL)",
     "Rebuilds indexes for web pages, scripts, forms, images, and links.", "", Act::Start,
     "RebuildIndexes", nullptr},
    {-39, kUtil, "&Reminder Window", "", "", Act::Start, "notice", nullptr},
    {-40, kUtil, "&File Fixer Utility", "", "", Act::Run, "tarnfix.exe", nullptr},
    {-41, kUtil, "Sondrel Program", "", "", Act::Start, "RunPageReader", nullptr},
    {-43, "&Window", "T&ile", "", "", Act::Tile, "", nullptr},
    {-44, "&Window", "&Cascade", "", "", Act::Cascade, "", nullptr},
    {-45, "&Window", "&Arrange Icons", "", "", Act::Arrange, "", nullptr},
    {-47, kHelp, "&Contents", "", "", Act::Help, "", nullptr},
    {-48, kHelp, "&Search for Help On...", "", "", Act::Help, "", nullptr},
    {-49, kHelp, "&How to Use Help", "", "", Act::Help, "", nullptr},
    {-51, kHelp, "Reference Help", "", "", Act::Run, "winhelp.exe TARNREF.HLP", nullptr},
    {-53, "&Help|Documents", "Policy: Returns and Support", "", "", Act::Document, "policy.html",
     nullptr},
    {-54, "&Help|Documents", "Useful Links", "", "", Act::Document, "links.html", nullptr},
    {-55, kHelp, "About TW", "", "", Act::Start, "splash", nullptr},
};

const rt::ToolDesc kTools[] = {
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

// The control-panel globals and their keys in section "cpanel".
struct PanelKey {
  const char* key;
  char* data;
  std::size_t width;
  const char* fallback;
};

template <std::size_t N>
PanelKey panelKey(const char* key, rt::Str<N>& global, const char* fallback = "") {
  return {key, global.data, N, fallback};
}

void readControlPanel() {
  const PanelKey keys[] = {
      panelKey("html", html),
      panelKey("grphx", grphx),
      panelKey("brwsr", brwsr),
      panelKey("txted", txted),
      panelKey("mail", mail),
      panelKey("usr1", usr1),
      panelKey("usr2", usr2),
      panelKey("usr3", usr3),
      panelKey("usr4", usr4),
      panelKey("fftp", fftp),
      panelKey("ubut1", ubut1, "User 1"),
      panelKey("ubut2", ubut2, "User 2"),
      panelKey("ubut3", ubut3, "User 3"),
      panelKey("ubut4", ubut4, "User 4"),
  };
  for (const PanelKey& k : keys)
    rt::assignPadded(k.data, k.width, ProgramIni.Fetch("cpanel", k.key, k.fallback));
}

bool pageReaderPresent() {
  return !rt::locateProgram(kPageReaderProgram).empty();
}

// Whether an item can be picked in the frame's design.
bool designedAvailable(const FrameItem& item) {
  switch (item.act) {
    case Act::Start:
      return item.number != frameitem::PageReader && ProcedureAvailable(item.target);
    default:
      return true;
  }
}

rt::MenuDesc& submenu(std::vector<rt::MenuDesc>& into, std::string_view text) {
  for (rt::MenuDesc& m : into)
    if (m.number == 0 && m.text == text) return m;
  rt::MenuDesc m;
  m.text = std::string(text);
  into.push_back(std::move(m));
  return into.back();
}

std::vector<rt::MenuDesc> frameMenus() {
  std::vector<rt::MenuDesc> bar;
  for (const FrameItem& item : kItems) {
    const std::string_view path = item.menu;
    const std::size_t split = path.find('|');
    std::vector<rt::MenuDesc>* into = &submenu(bar, path.substr(0, split)).items;
    if (split != std::string_view::npos) into = &submenu(*into, path.substr(split + 1)).items;
    rt::MenuDesc m;
    m.number = item.number;
    m.text = item.text;
    m.tip = item.tip;
    m.shortcut = item.key;
    m.check = item.act == Act::Launcher;
    m.checked = m.check && cptog == 1;
    m.disabled = !designedAvailable(item);
    into->push_back(std::move(m));
  }
  return bar;
}

rt::WindowDesc frameDesc() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::MdiFrame;
  d.title = "Tarnwick Main Menu";
  d.icon = "~tw.ico";
  d.font = "MS Sans Serif";
  d.background = "newtarn 2.jpg";
  d.statusBar = true;
  d.width = 900;
  d.height = 640;
  d.menus = frameMenus();
  d.tools.assign(std::begin(kTools), std::end(kTools));
  return d;
}

rt::EditAction editActionOf(std::string_view name) {
  if (name == "Cut") return rt::EditAction::Cut;
  return name == "Copy" ? rt::EditAction::Copy : rt::EditAction::Paste;
}

void startProcedure(const char* name) {
  if (ProcedureEntry p = FindProcedure(name)) rt::START(p, ProcedureStack(name), name);
}

void openDocument(const char* name) {
  const QString dir = QDir::temp().filePath(QStringLiteral("tarnwick-documents"));
  QDir().mkpath(dir);
  const QString path = rt::extractDocument(name, dir);
  if (!path.isEmpty()) rt::ShellOpen(path.toStdString());
}

class MainFrame : public rt::WindowController {
 public:
  MainFrame() : WindowController(frameDesc(), "Main") {}

  rt::Flow Setup() override {
    rt::setCurrentProcedure("Main");
    setRequest(static_cast<rt::Request>(CallRequest));
    const rt::Flow f = WindowController::Setup();
    CallRequest = 0;
    CallResponse = 0;
    if (f != rt::Flow::Fatal) window()->setIcon("~tw.ico");
    return f;
  }

  rt::Flow OnAccepted() override {
    if (startupThread_ != 0) {
      StopStartupTasks(startupThread_);
      startupThread_ = 0;
    }
    const int item = control();
    if (item >= frameitem::FirstRecordButton && item <= frameitem::LastRecordButton) {
      if (rt::Window* child = window()->activeChild())
        rt::PostEvent(rt::EventKind::Accepted, item, child->thread());
      return rt::Flow::Cycle;
    }
    for (const FrameItem& i : kItems)
      if (i.number == item) perform(i);
    return WindowController::OnAccepted();
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = WindowController::OnWindowEvent();
    if (f != rt::Flow::Continue || eventKind() != rt::EventKind::OpenWindow) return f;
    readControlPanel();
    if (pageReaderPresent() && ProcedureAvailable("RunPageReader"))
      window()->setMenuEnabled(frameitem::PageReader, true);
    mypath = rt::currentDirectory();
    startupThread_ = rt::START(&StartupTasks, rt::kMinimumStack, kStartupThreadName);
    return f;
  }

  rt::Flow Teardown() override {
    // The other threads' windows live inside this frame: they go before it does. The
    // start-up thread would otherwise open its next reminder as each one closes.
    if (startupThread_ != 0) StopStartupTasks(startupThread_);
    startupThread_ = 0;
    rt::closeProcedureThreads();
    const rt::Flow f = WindowController::Teardown();
    rt::setCurrentProcedure("");
    return f;
  }

 private:
  void perform(const FrameItem& i) {
    switch (i.act) {
      case Act::Start:
        startProcedure(i.target);
        break;
      case Act::Launcher:
        cptog = window()->menuChecked(i.number) ? 1 : 0;
        startProcedure(i.target);
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
        rt::showHelp();
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

  int startupThread_ = 0;
};

void rebuildKeys(rt::KeyedFile& file, rt::FileManager* manager) {
  if (file.build() || !manager) return;
  manager->RaiseError(rt::MessageId::FileAccessError);
}

}  // namespace

void Main() {
  MainFrame frame;
  CallResponse = static_cast<std::uint8_t>(frame.Run());
}

void RebuildDomainsKeys() {
  rebuildKeys(Domains, DomainsManager);
}
void RebuildHostsKeys() {
  rebuildKeys(Hosts, HostsManager);
}
void RebuildRegistrarsKeys() {
  rebuildKeys(Registrars, RegistrarsManager);
}

void RunPageReader() {
  rt::RUN("sondrel.exe");
}
