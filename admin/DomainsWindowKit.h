// The browses and forms of the administration files are described by tables and run by the
// two classes below: the domain and registrar windows and the reminder window differ only
// in their tables and in the few controls that do something of their own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "admin/Procedures.h"
#include "admin/TabColorer.h"
#include "runtime/ui/FormController.h"
#include "runtime/ui/ListBrowser.h"

// One control of a window: its number, kind, caption, the tab or sheet it stands on, the
// field or memo it edits ("DOM:DOMAINNAME", "DOM:Notes"), its picture, tip, icon and the
// status text shown while it has the focus.
struct ControlRow {
  int number;
  rt::ControlKind kind;
  const char* text = "";
  int parent = 0;
  const char* field = nullptr;
  const char* picture = "";
  const char* tip = "";
  const char* icon = "";
  const char* status = "";
};

// A button that calls another window on the same thread; unavailable while the program
// lacks that procedure.
struct CallButton {
  int control;
  const char* procedure;
};

// How a browse keeps its column layouts in the program's INI file.
enum class LayoutKeeping {
  F9Switch,       // "?Browse:1:ORIG" / "?Browse:1:USER", F9 switches between them
  KeptWithDesign  // "SRCFOriginal?Browse:1" / "SRCF?Browse:1", dropped when the design changes
};

struct BrowseTable {
  const char* procedure;  // also the INI section of its position and layouts
  const char* title;
  const char* statusText;
  rt::KeyedFile* file;
  rt::FileRelations** relations;  // the dictionary's manager, made when the program starts
  std::vector<ControlRow> controls;
  const char* format;               // the designed column layout
  std::vector<const char*> fields;  // one per column
  const char* key;
  const char* appendedOrder;
  const char* locatorField;
  int locatorControl;  // the entry of an entry locator; 0: a step locator
  int sheet;
  rt::BrowseButtons buttons;
  ProcedureEntry update;          // child procedure of Insert, Change and Delete
  const char* printProcedure;     // by name: the print button waits for it
  std::vector<CallButton> calls;  // buttons of the window's own
  LayoutKeeping layouts;
  const char* filter;  // an expression over the dictionary's names; "" for none
};

class TableBrowse : public rt::BrowseController {
 public:
  explicit TableBrowse(const BrowseTable& table);
  ~TableBrowse() override;

  rt::ListBrowser& list() { return *list_; }
  const BrowseTable& table() const { return table_; }

  rt::Flow Setup() override;
  rt::Flow Teardown() override;
  rt::Flow OnAccepted() override;
  rt::Flow OnFieldEvent() override;
  rt::Flow OnWindowEvent() override;

 private:
  void loadLayouts();
  void saveLayouts();

  const BrowseTable& table_;
  std::unique_ptr<rt::ListBrowser> list_;
  std::unique_ptr<rt::BrowseLayouts> layouts_;
  std::function<bool()> filter_;
  TabColorer colorer_;
  std::string previousProcedure_;
  bool filesOpened_ = false;
};

// Opens a browse on the calling thread and runs it until it closes.
void RunBrowse(const BrowseTable& table);

// A drop list over another file: choosing an entry copies its field into the target field.
struct DropRow {
  int control;
  rt::KeyedFile* source;
  const char* sourceField;
  const char* targetField;
};

// A button that hands an address built from a field to the shell.
struct ShellButton {
  int control;
  const char* prefix;  // "mailto:", "http://www." or ""
  const char* field;
};

struct FormTable {
  const char* procedure;
  const char* title;
  const char* statusText;
  rt::FileManager** manager;
  std::vector<rt::FileRelations**> relations;  // the primary file's first
  std::vector<ControlRow> controls;
  int okControl;
  int sheet;
  rt::ActionTexts actionTexts;
  std::vector<DropRow> dropLists;
  std::vector<ShellButton> shellButtons;
  const char* nameField;  // blanked when it holds the placeholder "1"
};

class TableForm : public rt::FormController {
 public:
  explicit TableForm(const FormTable& table);
  ~TableForm() override;

  const FormTable& table() const { return table_; }

  rt::Flow Setup() override;
  rt::Flow Teardown() override;
  rt::Flow OnAccepted() override;
  rt::Flow OnFieldEvent() override;
  rt::Flow OnWindowEvent() override;

 private:
  const FormTable& table_;
  TabColorer colorer_;
  std::string previousProcedure_;
  std::vector<rt::FileRelations*> opened_;
};

// The windows' look shared by every table: icon, kind, status bar.
rt::WindowDesc DescribeWindow(const char* title, rt::WindowKind kind,
                              const std::vector<ControlRow>& controls);
// A field or memo of a file's program-wide buffer as a control's variable.
rt::Binding FieldBinding(const rt::FileDesc& desc, std::string_view name);
