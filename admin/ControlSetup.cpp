#include "admin/ControlSetup.h"

#include <array>
#include <utility>

#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/proc/Programs.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/TableWindows.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

// A global, its key in section "cpanel" and the field of the settings record it comes from.
struct PanelSetting {
  const char* key;
  char* global;
  std::size_t width;
  const char* fallback;
  const char* field;
  std::size_t fieldWidth;
};

template <std::size_t N, std::size_t M>
PanelSetting setting(const char* key, rt::Str<N>& global, rt::Str<M>& field,
                     const char* fallback = "") {
  return {key, global.data, N, fallback, field.data, M};
}

// In the order the keys are written.
std::array<PanelSetting, 14> settings() {
  return {{
      setting("html", html, EDI.MYEDITOR),
      setting("grphx", grphx, EDI.MYGRAPHICSED),
      setting("brwsr", brwsr, EDI.MYBROWSER),
      setting("txted", txted, EDI.MYTEXTED),
      setting("mail", mail, EDI.CMAIL),
      setting("usr1", usr1, EDI.MYUSER1),
      setting("usr2", usr2, EDI.MYUSER2),
      setting("usr3", usr3, EDI.MYUSER3),
      setting("usr4", usr4, EDI.MYUSER4),
      setting("fftp", fftp, EDI.MYFTP),
      setting("ubut1", ubut1, EDI.MYUSER1TITLE, "User 1"),
      setting("ubut2", ubut2, EDI.MYUSER2TITLE, "User 2"),
      setting("ubut3", ubut3, EDI.MYUSERTITLE3, "User 3"),
      setting("ubut4", ubut4, EDI.MYUSERTITLE4, "User 4"),
  }};
}

// One write of the file, each value at its global's full width.
template <std::size_t... I>
void putSettings(const std::array<PanelSetting, sizeof...(I)>& s, std::index_sequence<I...>) {
  rt::iniPut("cpanel", {{s[I].key, std::string_view(s[I].global, s[I].width)}...});
}

// ---- the plain windows ----

const rt::WindowTable& warnTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "cpwarn",
      .title = "",
      .controls = {{1, K::Prompt,
                    "You must CLOSE the Control Panel before configuring it.  Thank you."},
                   {2, K::Button, "OK"}},
      .buttons = {{2, B::Ok}},
  };
  return t;
}

const rt::WindowTable& closeTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "closit",
      .title = "You can only have One (1)Control Panel Setup",
      .controls = {{1, K::Prompt,
                    "You can only have one Control Panel Setup record.  You may change this "
                    "record anytime. Thank you."},
                   {2, K::Button, "OK"},
                   CloseRow(3)},
      // OK closes it too: a window that stays open on its only answer helps nobody.
      .buttons = {{2, B::Ok}, {3, B::Close}},
  };
  return t;
}

void runPlain(const rt::WindowTable& t) {
  rt::WindowController w(rt::DescribeWindow(t, rt::WindowKind::Dialog), t.procedure);
  w.Run();
}

// ---- the browse ----

enum { cList = 1, cInsert = 4, cChange = 5, cDelete = 6, cClose = 9 };

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "browsecpanel",
      .title = "RuDerudoz Oridi Set Up",
      .controls =
          {
              BrowseListRow(cList),
              {2, K::Prompt,
               "If there are no records showing, then press the Insert button.  If there is a "
               "record showing, then press the Change button."},
              {3, K::Button, "&Select"},
              InsertRow(cInsert),
              ChangeRow(cChange),
              DeleteRow(cDelete),
              {7, K::Sheet},
              {8, K::Tab, "Only ONE Record Allowed", 7},
              CloseRow(cClose),
              {10, K::Button, "Help"},
          },
      .buttons = {{3, B::Select},
                  {cInsert, B::Insert},
                  {cChange, B::Change},
                  {cDelete, B::Delete},
                  {cClose, B::Close},
                  {10, B::Help}},
      .lists = {{
          .control = cList,
          .file = &Editor,
          .format = "80L(2)|M~My Editor~L(2)@s100@80L(2)|M~My FTP~L(2)@s100@80L(2)|M~My Text "
                    "Ed~L(2)@s100@80L(2)|M~My Browser~L(2)@s100@80L(2)|M~My Graphics "
                    "Ed~L(2)@s100@80L(2)|M~My User 1~L(2)@s100@80L(2)|M~My User "
                    "2~L(2)@s100@64L(2)|M~My User 1 Title~L(2)@s10@64L(2)|M~My User 2 "
                    "Title~L(2)@s10@",
          .fields = {"EDI:MYEDITOR", "EDI:MYFTP", "EDI:MYTEXTED", "EDI:MYBROWSER",
                     "EDI:MYGRAPHICSED", "EDI:MYUSER1", "EDI:MYUSER2", "EDI:MYUSER1TITLE",
                     "EDI:MYUSER2TITLE"},
          .orders = {{}},
          .update = 1,
      }},
      .children = {{1, &controlpanel}},
      .relations = {&EditorRelations},
  };
  return t;
}

class SetupBrowse : public rt::TableBrowse {
 public:
  SetupBrowse() : TableBrowse(browseTable()) {}

  // However the deletion was asked for, the settings go only with the record.
  int RunChild(int number, rt::Request request) override {
    const int response = TableBrowse::RunChild(number, request);
    if (request == rt::Request::Delete && response == rt::RequestCompleted) {
      for (const PanelSetting& s : settings()) rt::assignPadded(s.global, s.width, "");
      EDI.CURRENTCONFIG.clear();
      SaveControlPanel();
    }
    return response;
  }
};

// ---- the form ----

// A tab of one program: its field, the "..." button's dialog and, for the user programs,
// the button's caption.
struct ProgramTab {
  const char* tab;
  const char* help;
  const char* prompt;
  const char* field;
  const char* dialog;
  const char* tip = "";
  const char* captionPrompt = nullptr;
  const char* captionField = nullptr;
};

constexpr char kPathHelp[] =
    "Give the complete path of the program, or press \"...\" to look for it.";
constexpr char kUserHelp[] =
    "A program of your own choice, started by a button of the RuDerudoz Oridi that shows the "
    "title given here.  The maximum length is 10 characters.";

const ProgramTab kTabs[] = {
    {"My Browser", "The web browser that the Browser button starts.",
     "My Browser:", "EDI:MYBROWSER", "Browser"},
    {"My E-Mail Client", "The e-mail program that the E-Mail button starts.",
     "My E-Mail:", "EDI:CMAIL", "EMail Program"},
    {"My FTP", "The FTP program that sends your pages to your hosts.", "My FTP:", "EDI:MYFTP",
     " FTP Program"},
    {"My Graphics Editor", "The program you draw and edit your pictures with.",
     "My Graphics Ed:", "EDI:MYGRAPHICSED", "Graphics Program"},
    {"My HTML Editor",
     "The field holds the complete path of the program and may carry its command-line "
     "switches.  The web-page form opens pages with it.",
     "My Editor:", "EDI:MYEDITOR", "HTML Editor", "Your HTML editor program."},
    {"My Text Editor", "The text editor that shows the HTML source of your pages.",
     "My Text Ed:", "EDI:MYTEXTED", "Text Editor"},
    {"User Defined Action 1", kUserHelp, "My User 1:", "EDI:MYUSER1", "User Defined Action 1", "",
     "My User 1 Title:", "EDI:MYUSER1TITLE"},
    {"User Defined Action 2", kUserHelp, "My User 2:", "EDI:MYUSER2", "User Defined Action 2", "",
     "My User 2 Title:", "EDI:MYUSER2TITLE"},
    {"User Defined Action 3", kUserHelp, "My User 3:", "EDI:MYUSER3", "User Defined Action 3", "",
     "My User Title 3:", "EDI:MYUSERTITLE3"},
};

constexpr int kSheet = 1;
constexpr std::size_t kProgramWidth = decltype(EditorRecord::MYEDITOR)::width();
constexpr int kFirstChooser = 100;  // the "..." buttons, one per program tab in order

std::vector<rt::ControlRow> formControls() {
  std::vector<rt::ControlRow> c;
  c.push_back({kSheet, K::Sheet});
  int n = 2;
  const int start = n++;
  c.push_back({start, K::Tab, "Start", kSheet});
  c.push_back({n++, K::Image, "", start, nullptr, "", "", "tw.ico"});
  c.push_back({n++, K::Prompt,
               "The RuDerudoz Oridi is a small panel of buttons that start the programs you "
               "work on your web sites with: your browser, e-mail, FTP, graphics, HTML and text "
               "editors and three programs of your own choice.",
               start});
  c.push_back({n++, K::Prompt,
               "It is opened from the main menu's File menu, item RuDerudoz Oridi, which works "
               "as a toggle: checked, the panel also opens when the program starts.",
               start});
  c.push_back({n++, K::Prompt,
               "You may change any of the program actions any time you need to. The changes "
               "will become effective after you save this record.",
               start});
  for (std::size_t i = 0; i < std::size(kTabs); ++i) {
    const ProgramTab& p = kTabs[i];
    const int tab = n++;
    c.push_back({tab, K::Tab, p.tab, kSheet});
    c.push_back({n++, K::Prompt, p.help, tab});
    c.push_back({n++, K::Prompt, kPathHelp, tab});
    c.push_back({n++, K::Prompt, p.prompt, tab});
    c.push_back({n++, K::Entry, "", tab, p.field, "@s100", p.tip});
    c.push_back({kFirstChooser + static_cast<int>(i), K::Button, "...", tab});
    if (p.captionField) {
      c.push_back({n++, K::Prompt, p.captionPrompt, tab});
      c.push_back({n++, K::Entry, "", tab, p.captionField, "@s10"});
    }
  }
  c.push_back({90, K::Button, "OK"});
  c.push_back({91, K::Button, "Cancel"});
  c.push_back({92, K::Button, "Help"});
  return c;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "controlpanel",
      .title = "Set Up \"RuDerudoz Oridi\" integrated program functions.",
      .controls = formControls(),
      .buttons = {{90, B::Ok}, {91, B::Cancel}, {92, B::Help}},
      .relations = {&EditorRelations},
      .manager = &EditorManager,
  };
  return t;
}

const rt::WindowTableRegistration tables{{"cpwarn", &warnTable},
                                         {"closit", &closeTable},
                                         {"browsecpanel", &browseTable},
                                         {"controlpanel", &formTable}};

class SetupForm : public rt::TableForm {
 public:
  SetupForm() : TableForm(formTable()) {}

  // The settings are one record: a second is refused before the form shows.
  rt::Flow PrimeRequest() override {
    if (request() == rt::Request::Insert && Editor.records() >= 1) {
      closit();
      setResponse(rt::RequestCancelled);
      return rt::Flow::Fatal;
    }
    return TableForm::PrimeRequest();
  }

  rt::Flow OnAccepted() override {
    const rt::Flow f = TableForm::OnAccepted();
    const int i = control() - kFirstChooser;
    if (f != rt::Flow::Continue || i < 0 || i >= static_cast<int>(std::size(kTabs))) return f;
    const ProgramTab& p = kTabs[i];
    UpdateItemValues();
    rt::FileDialogRequest ask;
    ask.title = p.dialog;
    ask.masks = "All Files|*.*";
    const std::vector<std::string> chosen = rt::FileDialog(ask);
    // Cancelling the dialog keeps the program already configured. A path with blanks is
    // quoted so that switches may follow it; one too long for that still runs as it stands.
    if (!chosen.empty()) {
      const std::string quoted = rt::quoteCommandWord(chosen.front());
      rt::FieldBinding(SystemTables().file("EDI"), p.field)
          .set(rt::Value(quoted.size() <= kProgramWidth ? quoted : chosen.front()));
    }
    RefreshItems();
    return rt::Flow::Cycle;
  }

  rt::Flow CheckCompletion() override {
    const rt::Flow f = TableForm::CheckCompletion();
    if (f != rt::Flow::Continue ||
        (request() != rt::Request::Insert && request() != rt::Request::Change))
      return f;
    for (const PanelSetting& s : settings())
      rt::assignPadded(s.global, s.width, rt::clipView(s.field, s.fieldWidth));
    EDI.CURRENTCONFIG = "Y";
    SaveControlPanel();
    return f;
  }
};

}  // namespace

void LoadControlPanel() {
  for (const PanelSetting& s : settings())
    rt::assignPadded(s.global, s.width, rt::iniGet("cpanel", s.key, s.fallback));
}

void SaveControlPanel() {
  putSettings(settings(), std::make_index_sequence<14>());
}

void ConfigureControlPanel() {
  // The launcher shows the globals as they were when it opened.
  if (cpanelopen.clip() == "Y")
    cpwarn();
  else
    browsecpanel();
}

void cpwarn() {
  runPlain(warnTable());
}

void closit() {
  runPlain(closeTable());
}

void browsecpanel() {
  SetupBrowse w;
  w.Run();
}

void controlpanel() {
  SetupForm w;
  w.Run();
}
