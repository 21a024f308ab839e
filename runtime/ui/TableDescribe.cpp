// A table's window described: its controls, and their places where the table leaves
// them to the desktop's font.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/ui/QtText.h"
#include "runtime/ui/TableWindows.h"
#include "runtime/ui/TableWindowsInternal.h"

namespace rt {
using detail::bad;

namespace {

void describeControls(WindowDesc& d, const WindowTable& t) {
  std::set<int> groups;
  for (const ControlRow& r : t.controls)
    if (r.kind == ControlKind::Option) groups.insert(r.number);
  for (const ControlRow& r : t.controls) {
    // A radio stores its value through its group only.
    if (r.kind == ControlKind::Radio && !groups.count(r.parent))
      bad(t, "radio outside an option group:", std::to_string(r.number));
    ControlDesc& c = d.add(r.kind, r.number, r.text, r.parent);
    c.picture = r.picture;
    c.tip = r.tip;
    c.status = r.status;
    c.icon = r.icon;
    c.width = r.width;
    c.height = r.height;
    c.value = r.value;
    c.x = r.x;
    c.y = r.y;
    if (r.kind == ControlKind::Check) {
      c.trueValue = "Y";
      c.falseValue = "N";
    }
  }
  auto find = [&](int number) -> ControlDesc& {
    for (ControlDesc& c : d.controls)
      if (c.number == number) return c;
    bad(t, "no such control", std::to_string(number));
  };
  for (int n : t.hidden) find(n).hidden = true;
  for (int n : t.disabled) find(n).disabled = true;
  for (const ButtonRow& b : t.buttons) {
    ControlDesc& c = find(b.control);
    c.okButton = b.role == ButtonRole::Ok;
    c.cancelButton = b.role == ButtonRole::Cancel || b.role == ButtonRole::Close;
    c.helpButton = b.role == ButtonRole::Help;
  }
}

// The desktop font's measures of the texts of the tables. Every opening of a window
// measures the same texts again, and a font's metrics are costly to ask for: they are
// kept until the font changes.
class FontMeasures {
 public:
  static FontMeasures& current() {
    static auto* m = new FontMeasures;  // never destroyed: fonts do not outlive the program's Qt
    const QFont f = QApplication::font();
    if (!m->font_ || *m->font_ != f) m->reset(f);
    return *m;
  }
  int width(const std::string& text) {
    auto [it, added] = widths_.try_emplace(text, 0);
    if (added) it->second = metrics_->horizontalAdvance(qtText(text));
    return it->second;
  }
  int averageCharWidth() const { return averageCharWidth_; }
  int height() const { return height_; }

 private:
  void reset(const QFont& f) {
    font_ = f;
    metrics_.emplace(f);
    averageCharWidth_ = metrics_->averageCharWidth();
    height_ = metrics_->height();
    widths_.clear();
  }
  std::optional<QFont> font_;
  std::optional<QFontMetrics> metrics_;
  int averageCharWidth_ = 0, height_ = 0;
  std::unordered_map<std::string, int> widths_;
};

// Room for a button's text and the style's margins around it.
int buttonWidth(FontMeasures& fm, const std::string& text) {
  return fm.width(text) + 28;
}

// Controls off the tabs at declared places keep their columns (controls sharing a left
// edge), but the desktop's font may be wider than the one the places were made for: a
// button too narrow for its text widens its whole column and moves the columns right of
// it along.
void widenDeclaredColumns(WindowDesc& d) {
  auto declared = [](const ControlDesc& c) { return c.parent == 0 && c.width > 0 && c.height > 0; };
  if (std::none_of(d.controls.begin(), d.controls.end(),
                   [&](const ControlDesc& c) { return declared(c) && (c.x > 0 || c.y > 0); }))
    return;
  FontMeasures& fm = FontMeasures::current();
  std::map<int, int> growth;  // by left edge
  for (const ControlDesc& c : d.controls)
    if (declared(c))
      growth[c.x] = std::max(growth[c.x],
                             c.kind == ControlKind::Button ? buttonWidth(fm, c.text) - c.width : 0);
  std::map<int, int> through;  // the growth of this column and those left of it
  int total = 0;
  for (const auto& [x, g] : growth) through[x] = total += g;
  for (ControlDesc& c : d.controls) {
    if (!declared(c)) continue;
    const auto column = through.find(c.x);
    c.width += growth[c.x];
    if (column != through.begin()) c.x += std::prev(column)->second;
  }
}

bool isField(ControlKind k) {
  return k == ControlKind::Entry || k == ControlKind::DropList || k == ControlKind::Text;
}

// The controls on the tabs go in lines, as a form is read: a prompt with its field, the
// button acting on a field beside it, a field's companions (a cost's description, an
// account's forward) after it; a list takes a line of its own.
void placeOnTabs(WindowDesc& d) {
  FontMeasures& fm = FontMeasures::current();
  const int ch = fm.averageCharWidth();
  constexpr int kLeft = 10, kTop = 10, kGap = 8, kPromptColumn = 180, kWrap = 860;
  std::map<int, ControlKind> kinds;
  std::map<int, std::vector<const ControlDesc*>> members;  // of groups, which lay them out
  for (const ControlDesc& c : d.controls) {
    kinds[c.number] = c.kind;
    if (c.parent) members[c.parent].push_back(&c);
  }
  struct Cursor {
    int x = kLeft, y = kTop, lineHeight = 0;
    ControlKind previous = ControlKind::Region;
    ControlKind lineStart = ControlKind::Region;
  };
  std::map<int, Cursor> cursors;
  for (ControlDesc& c : d.controls) {
    if (c.parent == 0 || kinds[c.parent] != ControlKind::Tab) continue;
    Cursor& at = cursors[c.parent];
    const bool first = at.previous == ControlKind::Region;
    const bool joins =
        !first && ((isField(c.kind) && at.previous == ControlKind::Prompt) ||
                   (c.kind == ControlKind::Button && isField(at.previous) &&
                    at.lineStart == ControlKind::Prompt) ||
                   (c.kind == ControlKind::Button && at.previous == ControlKind::Button) ||
                   (c.kind == ControlKind::Entry &&
                    (at.previous == ControlKind::Entry || at.previous == ControlKind::Button)));
    if (!joins) {
      if (!first) at.y += at.lineHeight;
      at.x = kLeft;
      at.lineHeight = 0;
      at.lineStart = c.kind;
    }
    int w = 0, h = 24;
    const int textWidth = fm.width(c.text) + 12;
    switch (c.kind) {
      case ControlKind::Prompt:
        w = std::min(textWidth, kWrap);
        h = (textWidth + kWrap - 1) / kWrap * (fm.height() + 2) + 4;
        break;
      case ControlKind::Entry: {
        int chars = 12;
        if (c.picture.size() > 2 && (c.picture[1] == 's' || c.picture[1] == 'S'))
          chars = std::min(std::atoi(c.picture.c_str() + 2), 60) + 2;
        w = ch * chars + 12;
        break;
      }
      case ControlKind::DropList:
        w = ch * 42;
        break;
      case ControlKind::Text:
        w = kWrap;
        h = 260;
        break;
      case ControlKind::List:
        w = kWrap;
        h = 220;
        break;
      case ControlKind::Button:
        w = std::max(buttonWidth(fm, c.text), 80);
        h = 26;
        break;
      case ControlKind::Group:
      case ControlKind::Option: {
        // A box around its members, one to a line.
        w = textWidth + 30;
        for (const ControlDesc* m : members[c.number]) w = std::max(w, fm.width(m->text) + 50);
        h = static_cast<int>(members[c.number].size()) * (fm.height() + 12) + fm.height() + 16;
        break;
      }
      default:
        w = textWidth + 30;
        break;
    }
    if (c.width > 0) w = c.width;
    if (c.height > 0) h = c.height;
    // A prompt that leads a field takes the prompt column, so the fields line up.
    if (c.kind == ControlKind::Prompt && !joins && textWidth < kPromptColumn) w = kPromptColumn;
    c.x = at.x;
    c.y = at.y;
    c.width = w;
    c.height = h;
    c.wordWrap = c.kind == ControlKind::Prompt && h > 30;
    at.x += w + kGap;
    at.lineHeight = std::max(at.lineHeight, h + 6);
    at.previous = c.kind;
  }
}

}  // namespace

WindowDesc DescribeWindow(const WindowTable& table, WindowKind kind) {
  WindowDesc d;
  d.kind = kind;
  d.title = table.title;
  if (table.context) d.icon = table.context->icon;
  d.statusBar = true;
  describeControls(d, table);
  widenDeclaredColumns(d);
  placeOnTabs(d);
  return d;
}

}  // namespace rt
