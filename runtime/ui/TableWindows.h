// Browses and forms described by tables: a window's controls, its lists (each with its file,
// columns, orders, ranges, filters and locator), the roles of its buttons, the child
// procedures its lists call and, for a form, its primary file and the requests it refuses.
// Every name in a table is resolved when the window is built (checkTable does the same
// without a window), so a misspelt name throws std::logic_error naming it. A window with
// behaviour of its own derives from TableBrowse or TableForm.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/FormController.h"
#include "runtime/ui/ListBrowser.h"

namespace rt {

class BindTable;

using TableProcedure = void (*)();

// A file as the program holds it: its description and its program-wide buffers.
struct TableFile {
  const FileDesc* desc = nullptr;  // nullptr: no such file
  void* record = nullptr;
  char* memo = nullptr;
};

// What a program lends its table windows while one is open: made when the window opens,
// told of every tab change, destroyed when the window closes.
class WindowLook {
 public:
  virtual ~WindowLook() = default;
  virtual void tabChanged() {}
};

// What the tables of a program resolve their names against, and the look of their windows.
struct TableContext {
  std::function<TableFile(std::string_view prefix)> file;  // "DOM" of "DOM:DOMAINNAME"
  std::function<const BindTable&()> names;                 // filters are compiled over these
  std::function<TableProcedure(std::string_view name)> procedure;  // nullptr: not in the program
  std::function<std::unique_ptr<WindowLook>(Window&)> look;        // none: the plain look
  std::string icon;
};

// One control: its number, kind, caption, the tab or sheet it stands on, the field or memo
// it edits ("DOM:DOMAINNAME", "DOM:Notes"), its picture, tip, icon, the status text
// shown while it has the focus, a size in pixels (0: the kind's own), for a radio the
// value its option group stores, and a place in pixels for a window that lays itself out
// (a button still widens to its text, and the columns right of it move along).
struct ControlRow {
  int number;
  ControlKind kind;
  const char* text = "";
  int parent = 0;
  const char* field = nullptr;
  const char* picture = "";
  const char* tip = "";
  const char* icon = "";
  const char* status = "";
  int width = 0;
  int height = 0;
  const char* value = "";
  int x = 0;
  int y = 0;
};

enum class ButtonRole {
  Ok,
  Cancel,
  Close,
  Help,
  Insert,  // Insert .. Print drive the list `list`
  Change,
  Delete,
  Select,
  Print,
  Call,  // runs the procedure named `target` on the window's thread
  Shell  // hands `target` followed by the clipped `field` to the desktop's opener
};

struct ButtonRow {
  int control;
  ButtonRole role;
  const char* target = "";
  const char* field = nullptr;
  std::size_t list = 0;
};

// How a list keeps its column layouts in the program's INI file (N: the list's number).
enum class LayoutKeeping {
  None,
  F9Switch,       // "?Browse:N:ORIG" / "?Browse:N:USER", F9 switches between them
  KeptWithDesign  // "SRCFOriginal?Browse:N" / "SRCF?Browse:N", dropped when the design changes
};

struct OrderRow {
  const char* key = "";                // a key of the list's file; "": record order
  const char* appended = "";           // "reg:companyname, -reg:city"
  int tab = 0;                         // the tab that selects it; 0: none
  const char* locatorField = nullptr;  // nullptr: no locator
  int locatorControl = 0;              // the entry of an entry locator; 0: a step locator
  const char* filter = "";             // an expression over the context's names
  // Chosen while this expression holds and no order's tab shows; "": never so.
  const char* when = "";
  // Fields (of another file's buffer or the list's own) that fix the key's first components.
  std::vector<const char*> range = {};
};

// A column's icon on the rows where an expression over the row holds.
struct RowIcon {
  std::size_t column;
  const char* icon;
  const char* when;
};

struct ListTable {
  int control;
  KeyedFile* file;
  const char* format;               // the designed column layout
  std::vector<const char*> fields;  // one per column
  std::vector<OrderRow> orders;
  std::size_t otherOrder = 0;  // the order while no order's tab shows and none's `when` holds
  int update = 0;              // child procedure of Insert, Change and Delete
  int print = 0;               // child procedure of Print
  bool selectMode = false;
  LayoutKeeping layouts = LayoutKeeping::None;
  std::vector<RowIcon> icons = {};
};

// A child procedure by number: its entry, or its name looked up when the window is built.
// A list button whose child is not in the program is unavailable.
struct ChildRow {
  int number;
  TableProcedure entry = nullptr;
  const char* name = "";
};

// A drop list over another file: choosing an entry copies its field into the target field.
struct DropRow {
  int control;
  KeyedFile* source;
  const char* sourceField;
  const char* targetField;
};

// A field a form does not store blank: OK shows the message and puts the focus back on it.
struct RequiredRow {
  int control;
  const char* message;  // "Domain Name is required."
};

// Requests a form answers with a message ("Invalid Request") and closes.
struct RefusedRequests {
  bool insert = false;
  bool remove = false;
};

struct WindowTable {
  const TableContext* context;
  const char* procedure;  // also the INI section of its position and layouts
  const char* title;
  const char* statusText = "";
  std::vector<ControlRow> controls;
  std::vector<ButtonRow> buttons = {};
  std::vector<ListTable> lists = {};
  std::vector<ChildRow> children = {};
  std::vector<FileRelations**> relations = {};  // opened with the window; a form's primary first
  std::vector<int> hidden = {};                 // controls hidden at open
  // Controls unavailable at open; a list button among them is left to the procedure.
  std::vector<int> disabled = {};
  // ---- forms ----
  FileManager** manager = nullptr;  // the primary file
  ActionTexts actionTexts = {};
  std::vector<DropRow> dropLists = {};
  std::vector<RequiredRow> required = {};
  RefusedRequests refused = {};
  const char* placeholderField = nullptr;  // blanked when it holds the reserved "1"
  // A form that opens browses of the frame is a child of the frame too, so they come up over it.
  WindowKind formKind = WindowKind::Dialog;
};

// Resolves every name of the table; throws std::logic_error naming the first bad one.
void checkTable(const WindowTable& table);

// The window tables of the program, each registered by the folder that defines it.
struct RegisteredTable {
  const char* name;
  const WindowTable& (*table)();
};
const std::vector<RegisteredTable>& windowTables();
struct WindowTableRegistration {
  WindowTableRegistration(std::initializer_list<RegisteredTable> tables);
};

// The description of a table window: kind, icon, status bar, controls placed on their tabs.
WindowDesc DescribeWindow(const WindowTable& table, WindowKind kind);
// A field or memo of a file's program-wide buffer as a control's variable.
Binding FieldBinding(const TableFile& file, std::string_view name);

struct TableParts;

class TableBrowse : public BrowseController {
 public:
  explicit TableBrowse(const WindowTable& table);
  ~TableBrowse() override;

  const WindowTable& table() const { return table_; }
  ListBrowser& list(std::size_t i = 0);

  Flow Setup() override;
  Flow Teardown() override;
  Flow OnAccepted() override;
  Flow OnFieldEvent() override;
  Flow OnWindowEvent() override;

 private:
  const WindowTable& table_;
  std::unique_ptr<TableParts> parts_;
};

// Opens a browse on the calling thread and runs it until it closes.
void RunBrowse(const WindowTable& table);

class TableForm : public FormController {
 public:
  explicit TableForm(const WindowTable& table);
  ~TableForm() override;

  const WindowTable& table() const { return table_; }
  ListBrowser& list(std::size_t i = 0);

  Flow PrimeRequest() override;
  Flow Setup() override;
  Flow Teardown() override;
  Flow OnAccepted() override;
  Flow OnFieldEvent() override;
  Flow OnWindowEvent() override;
  Flow CheckCompletion() override;

 private:
  const WindowTable& table_;
  std::unique_ptr<TableParts> parts_;
};

}  // namespace rt
