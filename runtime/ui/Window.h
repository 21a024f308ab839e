// A live window built from its description. It belongs to the procedure thread that
// opened it: Qt signals of its controls become events queued for that thread, and its
// variables are read and written only on that thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/proc/Events.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/Binding.h"
#include "runtime/ui/WindowDesc.h"

class QAbstractItemView;
class QAction;
class QKeyEvent;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace rt {
namespace detail {
struct Control;
class ControlAdapter;
}  // namespace detail

class Window : public QObject {
 public:
  // Builds the widgets; nothing is shown before open(). The window belongs to the
  // current procedure thread.
  explicit Window(WindowDesc desc, std::string procedure = {});
  ~Window() override;

  int id() const { return id_; }
  int thread() const { return thread_; }
  const std::string& procedure() const { return procedure_; }
  const WindowDesc& desc() const { return desc_; }
  WindowKind kind() const { return desc_.kind; }

  // Shows the window: an MDI child inside the open frame (on its own without a frame),
  // the others as windows of their own. The thread's other windows stay as they are.
  // With a section of the program's INI file, where it was when it was last closed.
  void open(std::string_view positionSection = {});
  void close();  // hides and forgets it; queued events for it are dropped
  bool isOpen() const { return open_; }
  std::string title() const;
  void setTitle(std::string_view title);
  void setIcon(std::string_view icon);

  QWidget* widget() const;    // the body (the QMainWindow of a frame)
  QWidget* topLevel() const;  // what moves and sizes: the sub-window of an MDI child
  QMdiArea* mdiArea() const;  // frames only

  // ---- controls (numbers as in the description) ----
  bool has(int control) const { return controls_.count(control) != 0; }
  std::vector<int> controls() const;  // in description order
  ControlKind controlKind(int control) const;
  int parentOf(int control) const;
  // The widget of a control, made first when the tab it stands on has not shown yet.
  QWidget* control(int control) const;
  QAbstractItemView* listView(int control) const;
  bool built(int control) const;  // its widget is made

  void bind(int control, Binding b);
  const Binding* binding(int control) const;
  void displayControls();     // every bound control from its variable
  void display(int control);  // one control from its variable
  // The control's shown value into its variable. False, with nothing stored, when the
  // picture cannot take the text or the value does not fit the variable.
  bool updateValue(int control);
  bool updateValues();  // all bound controls; false when one was refused
  int firstRefusedControl() const { return refused_; }
  // Puts the focus back into a control whose input was refused and says what it takes,
  // in the status bar and as a tip at the field. Until a value is taken from it, the
  // control keeps the user's text whatever redraws the window.
  void refuse(int control);
  void selectControl(int control);
  int focusedControl() const;
  // The focus to the first control a user would type into, in Tab order on the showing
  // tabs (a button when there is none).
  void focusFirstControl();
  // Brings the window forward as the active one and gives the focus to focus, when that
  // is still one of its controls that can take it, else to its first control.
  void activate(QWidget* focus = nullptr);

  // The shown value: text through the picture for entries, the chosen value of check,
  // option and drop list, the row of a list (1-based), the tab of a sheet (1-based).
  std::string text(int control) const;
  void setText(int control, std::string_view text);
  Value value(int control) const;  // parsed through the picture; the text when it cannot
  void setValue(int control, const Value& v);

  bool enabled(int control) const;
  void setEnabled(int control, bool on);
  bool hidden(int control) const;
  void setHidden(int control, bool on);
  long fillColor(int control) const;  // 0BBGGRRh, kColorNone when not set
  void setFillColor(int control, long colour);
  long fontColor(int control) const;
  void setFontColor(int control, long colour);
  long fontStyle(int control) const;  // see fontstyle::
  void setFontStyle(int control, long style);

  int currentTab(int sheet) const;  // 1-based position of the showing tab, 0 if none
  int currentTabControl(int sheet) const;
  void setCurrentTab(int sheet, int position);
  std::vector<int> tabsOf(int sheet) const;
  bool wizard(int sheet) const;

  void setImage(int control, std::string_view file);

  // ---- menus and toolbar (frames) ----
  QAction* action(int item) const;
  bool menuChecked(int item) const;
  void setMenuChecked(int item, bool on);
  bool menuEnabled(int item) const;
  void setMenuEnabled(int item, bool on);
  // The window's own status text; a control with a status text of its own shows that one
  // while it has the focus.
  void setStatusText(std::string_view text);
  Window* activeChild() const;  // the frame's active MDI child, if it is a runtime window
  void tile();
  void cascade();
  void arrangeIcons();
  bool setBackground(std::string_view jpegFile);
  bool hasBackground() const { return hasBackground_; }

  // ---- timer and alert keys ----
  void setTimer(long hundredths);  // 0 stops it
  long timer() const { return timer_; }
  void addAlertKey(int code);
  void removeAlertKey(int code);
  bool isAlertKey(int code) const { return alerts_.count(code) != 0; }

  // ---- position, kept in the program's INI file under section ----
  void savePosition(std::string_view section);

  // Disabled while a modal child of the same thread runs. A frame keeps its child area
  // live (the children belong to other threads) and blocks only its menus and toolbar.
  void setBlocked(bool on);
  bool blocked() const { return blocked_; }

  // Queues an event of this window for its thread.
  void post(EventKind kind, int control = 0, int key = 0);

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Used by a timer clock set in place of Qt's timers (Clock.h).
  void fireTimer() { post(EventKind::Timer); }

 private:
  using Control = detail::Control;
  friend class detail::ControlAdapter;
  void build();
  int controlAt(const QWidget* w) const;  // the control a widget belongs to, 0 if none
  int madeControlOf(const QObject* o) const;
  bool keyPressed(const QKeyEvent* e);
  std::vector<int> kidsOf(int parent) const;
  bool placed(const std::vector<int>& kids) const;
  void buildContainer(QWidget* host, int parent);
  bool deferContainer(QWidget* host, int parent);
  void makePage(Control& tab);
  Control* made(int control) const;
  QWidget* makeWidget(Control& c);
  void buildMenus();
  Control* find(int control);
  const Control* find(int control) const;
  void setLook(int control, long Control::*part, long value);
  void watch(QWidget* w);
  void startTimer();
  void placeAt(std::string_view section);  // before the window is shown

  void showStatus(std::string_view text);
  std::string expectedInput(int control) const;
  void tellExpected(int control);  // status bar and tip, while the control has the focus

  WindowDesc desc_;
  std::string procedure_;
  std::string statusText_;
  int id_;
  int thread_;
  bool open_ = false;
  bool blocked_ = false;
  bool closing_ = false;
  bool hasBackground_ = false;
  int refused_ = 0;
  long timer_ = 0;
  std::set<int> alerts_;
  std::map<int, std::unique_ptr<Control>> controls_;
  std::vector<int> order_;
  // Widgets made for controls, tabs' pages excepted: those are found as their sheet.
  std::unordered_map<const QObject*, int> madeWidgets_;
  std::map<int, QAction*> actions_;
  QPointer<QWidget> body_;
  QPointer<QLabel> refusalTip_;  // says what a refused control takes
  int refusalTipFor_ = 0;
  QPointer<QMainWindow> main_;
  QPointer<QMdiArea> area_;
  QPointer<QMdiSubWindow> sub_;
  std::unique_ptr<QObject> qtTimer_;
};

}  // namespace rt
