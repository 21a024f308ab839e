// The list browse of a window: a list control over a view of a keyed file, its sort orders
// (one per tab), locators, range and filter, the buttons it drives (Insert, Change, Delete,
// Select, Print) and the toolbar's record buttons. The highlighted row is kept in the file's
// record buffer. A window with lists derives from BrowseController, which hands them their
// events. Declare a list after its window, so the list goes first:
//
//   class BrowseThings : public rt::BrowseController { ... };
//   BrowseThings w(desc, "BrowseThings");
//   rt::ListBrowser list(w, thingsFile, 1);
//   list.SetFormat("80L(2)|M~Name~@s40@");
//   list.AddField("THI:NAME");
//   list.AddSortOrder("THI:name").locator = std::make_unique<rt::EntryLocator>(nameField, 8);
//   rt::BrowseButtons buttons;
//   buttons.insert = 2, buttons.change = 3, buttons.remove = 4, buttons.updateProcedure = 1;
//   list.SetButtons(buttons);
//   w.SetChild(1, UpdateThings);
//   w.Run();
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/View.h"
#include "runtime/ui/BrowseModel.h"
#include "runtime/ui/ColumnFormat.h"
#include "runtime/ui/Locator.h"
#include "runtime/ui/WindowController.h"

class QObject;

namespace rt {

class BrowseController;

// The frame toolbar's record buttons, passed on to the active window as accepted events.
namespace toolbar {
inline constexpr int First = 2000;  // "Go to the First Page"
inline constexpr int PriorPage = 2001;
inline constexpr int PriorRecord = 2002;
inline constexpr int Locate = 2003;
inline constexpr int NextRecord = 2004;
inline constexpr int NextPage = 2005;
inline constexpr int Last = 2006;  // "Go to the Last Page"
inline constexpr int Select = 2007;
inline constexpr int Insert = 2008;
inline constexpr int Change = 2009;
inline constexpr int Delete = 2010;
inline constexpr int History = 2011;  // "Previous value"
inline constexpr int Help = 2012;
}  // namespace toolbar

struct SortOrder {
  int key = -1;                   // -1: record order
  std::vector<OrderField> extra;  // the appended order text
  int tab = 0;                    // the tab control that selects it; 0: any
  // Fixed leading key components, read each time the order is applied (so they can come
  // from another file's buffer).
  std::function<std::vector<SqlValue>()> range;
  View::Filter filter;  // judged on each row read, with the row in the record buffer
  std::unique_ptr<PlainLocator> locator;
  // Puts the range's fields into a new record before an insert (see ListBrowser::SetRangeFrom).
  std::function<void()> primeRange;
};

// The controls a browse drives (0: none) and its child procedures.
struct BrowseButtons {
  int insert = 0;
  int change = 0;
  int remove = 0;
  int select = 0;
  int print = 0;
  int updateProcedure = 0;
  int printProcedure = 0;
};

// Range values taken from fields of a record buffer (another file's, or this one's).
std::function<std::vector<SqlValue>()> rangeFromBuffer(const FileDesc& desc, const void* record,
                                                       std::vector<int> fields);
// "reg:companyname, -reg:city": fields to append to a key order; unknown names are skipped.
std::vector<OrderField> parseOrderText(const FileDesc& desc, std::string_view text);

class ListBrowser {
 public:
  ListBrowser(BrowseController& window, KeyedFile& file, int listControl);
  virtual ~ListBrowser();
  ListBrowser(const ListBrowser&) = delete;
  ListBrowser& operator=(const ListBrowser&) = delete;

  // ---- set-up ----
  // The designed layout; a text that is not a column format is refused (false).
  bool SetFormat(std::string_view format);
  std::string Format() const { return model_->format().text(); }
  void AddField(std::string_view name);  // the next column's field
  void AddField(int field);
  SortOrder& AddSortOrder(std::string_view keyName = {}, std::string_view appendedOrder = {},
                          int tab = 0);
  SortOrder& order(std::size_t i) { return *orders_.at(i); }
  // Fixes the order's first key components to fields of another record buffer (read each
  // time the order is applied); an insert starts from a record holding those fields.
  void SetRangeFrom(SortOrder& o, const FileDesc& from, const void* record,
                    std::vector<int> fromFields);
  void SetButtons(const BrowseButtons& b) { buttons_ = b; }
  const BrowseButtons& buttons() const { return buttons_; }
  // Select mode: Enter, a double click and the select button hand the row back.
  void SetSelectMode(bool on) { selectMode_ = on; }
  bool selectMode() const { return selectMode_; }
  void SetPageSize(int rows) { model_->setPageSize(rows); }
  // A filter over every order, beside each order's own (a query by example); applied at
  // once, the list shown from its start. An empty one lifts it.
  // `conditions`: what every row the query accepts holds, for the store to test first.
  void SetQuery(View::Filter query, std::vector<View::TextCondition> conditions = {});

  // ---- the operations ----
  // The order for the window's selected tab.
  virtual std::size_t ChooseSortOrder();
  // Runs with the row loaded in the record buffer as it is read.
  virtual void FillRow(RowLook&) {}
  // Applies an order (its range and filter) and shows the list from its start, or from the
  // current row when it is still in view.
  virtual void SelectSortOrder(std::size_t order);
  // Enables the driven buttons by what they can act on now.
  virtual void UpdateButtons();
  // Runs the update procedure with a request for the highlighted row (a new one for
  // Insert), then shows the changed or added record. Returns the child's response.
  virtual int Ask(Request request);

  // ---- moving ----
  void Open();  // builds the list in the open window; called by the controller
  bool isOpen() const { return open_; }
  // Not on a tab that is not shown: a list out of sight is opened when it comes into view.
  bool inView() const;
  void Close();
  void Top();
  void Bottom();
  void PageUp();
  void PageDown();
  void Up();
  void Down();
  // Positions on the first entry at or after a typed value in the current order (the last
  // row when none is); an entry locator's text is read through the entry's picture first.
  void Locate(const Value& typed);
  // Shows the row whose record is in the buffer now (the current file position), or the
  // one after it when it has gone.
  void ResetFromBuffer();
  // Re-reads the rows in view, keeping the highlighted record.
  void Refresh();
  // Refresh when the file was written since the rows were read.
  void RefreshIfChanged();

  // ---- state ----
  int listControl() const { return list_; }
  KeyedFile& file() const { return file_; }
  View& view() { return view_; }
  BrowseModel& model() { return *model_; }
  std::size_t currentOrder() const { return current_; }
  int currentRow() const;  // 0-based row of the window, -1 when none
  const RecordImage* current() const;
  int rows() const { return model_->rowCount(); }
  std::string cell(int row, int column) const { return model_->cellText(row, column); }
  int thumb() const;  // the scroll step's position for the highlighted row
  void ScrollTo(int position);

  // Handles events of its controls; Flow::Continue when the event is not its own.
  Flow TakeEvent(const Event& ev, bool& handled);

 private:
  void show(int row);
  void reportReadError();
  void loadCurrent();
  void applyOrder(const SortOrder& o);
  bool editable() const;
  void onKey(int key);
  void forward(int by);
  void primeInsert();
  void backward(int by);

  BrowseController& window_;
  KeyedFile& file_;
  int list_;
  View view_;
  std::unique_ptr<BrowseModel> model_;
  std::vector<std::unique_ptr<SortOrder>> orders_;
  std::vector<int> fields_;
  std::size_t current_ = 0;
  BrowseButtons buttons_;
  bool selectMode_ = false;
  bool open_ = false;
  bool readErrorReported_ = false;
  std::unique_ptr<QObject> keys_;
  StringScrollStep step_;
  std::vector<SqlValue> range_;
  View::Filter query_;
  std::vector<View::TextCondition> queryConditions_;
  std::uint64_t seen_ = 0;
  // The caller's record while a select-mode list shows its rows in the same buffer.
  RecordImage callers_;
  bool keepingCallers_ = false;
};

// F9 layouts of a list, kept in the program's INI file: the designed layout under one key,
// the user's under another; F9 switches between the two.
class BrowseLayouts {
 public:
  BrowseLayouts(ListBrowser& list, std::string section, std::string originalKey = "?Browse:1:ORIG",
                std::string userKey = "?Browse:1:USER");
  // Reads both keys (the list's current layout as their default) and shows the user's.
  void Load();
  // Switches between the two; returns true when the user's layout is now shown.
  bool Toggle();
  // Writes the designed layout and the list's current one.
  void Save();
  bool showingUser() const { return user_; }

 private:
  ListBrowser& list_;
  std::string section_, originalKey_, userKey_;
  std::string original_, userLayout_;
  bool user_ = false;
};

// A window with lists: hands each list its events, runs child procedures by number with
// CallRequest/CallResponse and takes its own request from CallRequest at set-up.
class BrowseController : public WindowController {
 public:
  using WindowController::WindowController;
  ~BrowseController() override;

  void SetChild(int number, std::function<void()> procedure);
  void attach(ListBrowser& list);
  void detach(ListBrowser& list);
  const std::vector<ListBrowser*>& lists() const { return lists_; }
  // The list that takes the toolbar's record buttons: the focused one, else the first.
  ListBrowser* activeList() const;

  Flow Setup() override;
  Flow Teardown() override;
  Flow OnEvent() override;
  void RefreshItems() override;
  int RunChild(int number, Request request) override;

 private:
  void openListsInView();

  std::vector<ListBrowser*> lists_;
  std::vector<std::pair<int, std::function<void()>>> children_;
};

}  // namespace rt
