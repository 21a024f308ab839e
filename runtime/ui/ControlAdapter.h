// What a window does with each kind of control: one adapter per kind makes the widget,
// hooks its signals, shows and reads its text and value, and gives it its look.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text/Picture.h"
#include "runtime/text/Value.h"
#include "runtime/ui/Binding.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/WindowDesc.h"

class QButtonGroup;
class QStandardItemModel;
class QTabWidget;
class QWidget;

namespace rt {
class Window;
namespace detail {

class ControlAdapter;

// A control of a live window.
struct Control {
  ControlDesc desc;
  const ControlAdapter* adapter = nullptr;
  QWidget* widget = nullptr;
  Binding binding;
  std::optional<Picture> picture;
  long fill = kColorNone, font = kColorNone, style = fontstyle::Regular;
  bool looked = false;  // a look has been set
  // Tabs: the page's controls are made when it first shows, or when one of them is needed.
  bool deferred = false;
  std::optional<bool> enabledSet, hiddenSet;  // set before the widget was made
  bool edited = false;
  bool refused = false;            // shows the user's text that its variable could not take
  QButtonGroup* radios = nullptr;  // options
  QTabWidget* sheet = nullptr;     // sheets, and the sheet of a tab
  QWidget* page = nullptr;         // tabs
  QStandardItemModel* items = nullptr;
  std::string unlisted;  // drop lists: a value shown that is none of the items
  ShownText shown;       // what the program last put into an editable control
};

class ControlAdapter {
 public:
  virtual ~ControlAdapter() = default;
  static const ControlAdapter& of(ControlKind kind);

  // Whether a prompt standing just before the control is its label.
  virtual bool labelled() const { return false; }
  virtual QWidget* make(Window& w, Control& c) const = 0;
  // After the window has taken the widget in: signals, and what the description shows.
  virtual void attach(Window&, Control&) const {}

  virtual std::string text(const Window&, const Control&) const { return {}; }
  virtual void setText(Window&, Control&, std::string_view) const {}
  virtual Value value(const Window& w, const Control& c) const { return text(w, c); }
  virtual void setValue(Window& w, Control& c, const Value& v) const { setText(w, c, textOf(v)); }

  virtual bool enabled(const Window& w, const Control& c) const;
  virtual void setEnabled(Control& c, bool on) const;
  virtual bool hidden(const Control& c) const;
  virtual void setHidden(Control& c, bool on) const;
  virtual void applyLook(Control& c) const;

 protected:
  // Lays out the controls that stand on parent into host.
  static void buildChildren(Window& w, QWidget* host, int parent);
  // Leaves the controls on a tab's page to be made when it first shows, when they can wait:
  // placed by their description, no sheet among them. False when they were not left.
  static bool deferChildren(Window& w, QWidget* host, int parent);
  static Control* find(Window& w, int control);
  // Lets the window see the events of a widget that is not a control of its own.
  static void watch(Window& w, QWidget* widget);
  // The controls on parent, in description order.
  static std::vector<const Control*> children(const Window& w, int parent);
  static std::vector<Control*> children(Window& w, int parent);
};

}  // namespace detail
}  // namespace rt
