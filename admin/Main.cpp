#include "admin/Main.h"

#include "admin/ControlSetup.h"
#include "admin/Program.h"
#include "admin/Startup.h"
#include "common/Frame.h"
#include "dictionary/Dictionary.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/Window.h"

namespace {

using frame::Act;
using FrameItem = frame::Item;

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
    {-48, kHelp, "&Search for Help On...", "", "", Act::HelpSearch, "", nullptr},
    {-49, kHelp, "&How to Use Help", "", "", Act::Help, "usinghelp", nullptr},
    {-51, kHelp, "Reference Help", "", "", Act::Run, "winhelp.exe TARNREF.HLP", nullptr},
    {-53, "&Help|Documents", "Policy: Returns and Support", "", "", Act::Document, "policy.html",
     nullptr},
    {-54, "&Help|Documents", "Useful Links", "", "", Act::Document, "links.html", nullptr},
    {-55, kHelp, "About TW", "", "", Act::Start, "splash", nullptr},
};

bool pageReaderPresent() {
  return !rt::locateProgram(kPageReaderProgram).empty();
}

rt::WindowDesc frameDesc() {
  return frame::Describe("Tarnwick Main Menu", "newtarn 2.jpg", 900, 640,
                         frame::Menus(kItems, [](const FrameItem& item, rt::MenuDesc& m) {
                           // Available once the page reader is found, when the frame opens.
                           if (item.number == frameitem::PageReader) m.disabled = true;
                           m.check = item.act == Act::Launcher;
                           m.checked = m.check && cptog == 1;
                         }));
}

class MainFrame : public frame::FrameController {
 public:
  MainFrame() : FrameController(frameDesc(), kItems, "~tw.ico") {}

  rt::Flow OnAccepted() override {
    if (startupThread_ != 0) {
      StopStartupTasks(startupThread_);
      startupThread_ = 0;
    }
    return FrameController::OnAccepted();
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = FrameController::OnWindowEvent();
    if (f != rt::Flow::Continue || eventKind() != rt::EventKind::OpenWindow) return f;
    LoadControlPanel();
    if (pageReaderPresent() && ProcedureAvailable("RunPageReader"))
      window()->setMenuEnabled(frameitem::PageReader, true);
    mypath = rt::currentDirectory();
    startupThread_ = rt::START(&StartupTasks, rt::kMinimumStack, kStartupThreadName);
    return f;
  }

  rt::Flow Teardown() override {
    // The start-up thread would otherwise open its next reminder as each window closes.
    if (startupThread_ != 0) StopStartupTasks(startupThread_);
    startupThread_ = 0;
    return FrameController::Teardown();
  }

 protected:
  void Perform(const FrameItem& i) override {
    if (i.act == Act::Launcher) cptog = window()->menuChecked(i.number) ? 1 : 0;
    FrameController::Perform(i);
  }

 private:
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
