// Every registered window table of a program, opened the way the program opens it, keeps the
// desktop's conventions: the first field has the focus, Escape closes without storing, Enter
// presses OK, the window reopens where it was closed; and, where its table has them, F9
// switches a list's layouts, check boxes store "Y" and "N", Web and Mail To buttons hand their
// addresses to the opener.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "common/Procedures.h"
#include "dictionary/Globals.h"
#include "runtime/data/FileManager.h"
#include "runtime/ui/TableWindows.h"
#include "tests/support/DomainsTestFixture.h"

namespace conventions {

// Opens one window a program opens by other means than its tables say; nullptr on failure.
using Opener = std::function<rt::Window*(rt::TestDriver&)>;

// Where typing begins: the first Tab stop that takes text or a choice (an entry or text not
// only shown, a list, a drop list), else the first Tab stop of all. A sheet's tab headers
// (and their scroll arrows) and a tab's page are no such stop.
inline QWidget* firstField(QWidget* top) {
  QWidget* firstStop = nullptr;
  for (QWidget* w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain()) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(top) || !w->isEnabled() ||
        w->window() != top->window() || qobject_cast<QTabBar*>(w) ||
        qobject_cast<QTabBar*>(w->parentWidget()) || qobject_cast<QTabWidget*>(w))
      continue;
    // A tab's page takes the focus that a click on its tab leaves there; it is no field.
    const bool page =
        qobject_cast<QScrollArea*>(w) && qobject_cast<QStackedWidget*>(w->parentWidget());
    if (!firstStop && !page) firstStop = w;
    const bool typed = (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                        qobject_cast<QTextEdit*>(w)) &&
                       !w->property("readOnly").toBool();
    if (typed || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QComboBox*>(w)) return w;
  }
  return firstStop;
}

// The innermost control that is or holds the widget (a sheet holds its tabs' fields); 0 when
// none.
inline int controlHolding(rt::Window* w, QWidget* widget) {
  for (; widget; widget = widget->parentWidget())
    for (int c : w->controls())
      if (w->control(c) == widget) return c;
  return 0;
}

inline rt::TableFile fileOf(const rt::WindowTable& t, const rt::KeyedFile& f) {
  return t.context->file(f.desc().prefix);
}

// A connection of the test's own to a file, with buffers of its own, so reading it leaves the
// program's record as it was.
struct OwnConnection {
  explicit OwnConnection(const rt::FileDesc& d) : record(d.recordSize, ' ') {
    for (const rt::MemoDesc& m : d.memos) memos.emplace_back(m.size, '\0');
    for (std::string& m : memos) memoPtrs.push_back(m.data());
  }
  OwnConnection(const OwnConnection&) = delete;  // the pointers are into memos
  OwnConnection& operator=(const OwnConnection&) = delete;
  std::string record;
  std::vector<std::string> memos;
  std::vector<char*> memoPtrs;
};

// Records in a file, through a connection of the test's own; 0 when it does not exist yet.
inline std::int64_t recordCount(const rt::KeyedFile& file) {
  OwnConnection own(file.desc());
  rt::KeyedFile f(file.desc(), own.record.data(), own.memoPtrs);
  if (!rt::FileExists(f.path()) || !f.open()) return 0;
  const std::int64_t n = f.records();
  f.close();
  return n;
}

// One record as the program's buffer holds it (blank at the start of a test), with every key
// component given a value: keys leave out all-blank entries, and a list shows none of those.
// The pages and their details meet on "a", so a page's detail lists show its details.
inline void addBufferRecord(const rt::TableFile& file) {
  const rt::FileDesc& d = *file.desc;
  std::string rec(static_cast<const char*>(file.record), d.recordSize);
  for (const rt::KeyDesc& k : d.keys) {
    for (int c : k.components) {
      const rt::FieldDesc& f = d.fields[c];
      const std::int32_t one = 1;
      if (f.type == rt::FieldType::String)
        rec[f.offset] = 'a';
      else if (f.type == rt::FieldType::Byte)
        rec[f.offset] = 1;
      else if (f.type == rt::FieldType::Short || f.type == rt::FieldType::Long ||
               f.type == rt::FieldType::Date || f.type == rt::FieldType::Time)
        std::memcpy(&rec[f.offset], &one, f.size);  // little-endian: 1 in the low bytes
    }
  }
  std::vector<char*> memos;
  if (file.memo) memos.push_back(file.memo);
  rt::KeyedFile f(d, rec.data(), memos);
  if (!rt::FileExists(f.path())) {
    ASSERT_TRUE(f.create()) << f.path();
  }
  ASSERT_TRUE(f.open()) << f.path();
  ASSERT_TRUE(f.add()) << f.path();
  ASSERT_TRUE(f.close());
}

class WindowConventionsTest : public domaintest::WindowsTest {
 protected:
  // The program-wide settings the openers set stay with the test.
  void TearDown() override {
    WindowsTest::TearDown();
    cpanelopen.clear();
    domainname.clear();
  }

  // Runs every check over every registered table and says how many windows were checked.
  void checkEveryWindow(const std::map<std::string, Opener>& openers) {
    openers_ = openers;
    const auto& tables = rt::windowTables();
    std::size_t checked = 0;
    for (const rt::RegisteredTable& r : tables) {
      SCOPED_TRACE(r.name);
      const QString sub = dir.filePath(QString("w%1").arg(checked + failed_.size()));
      ASSERT_TRUE(QDir().mkpath(sub));
      QDir::setCurrent(sub);
      const bool ok = checkWindow(r);
      closeAll();
      if (ok && checkF9(r) && checkBoxes(r) && checkShellButtons(r) && checkDeleteKey(r))
        ++checked;
      else
        failed_.push_back(r.name);
      closeAll();
    }
    std::string names;
    for (const std::string& n : failed_) names += " " + n;
    std::cout << "[ WINDOWS  ] checked " << checked << " of " << tables.size()
              << " registered windows\n";
    EXPECT_EQ(checked, tables.size()) << "not checked:" << names;
  }

 private:
  static const rt::RegisteredTable* registered(std::string_view name) {
    for (const rt::RegisteredTable& r : rt::windowTables())
      if (r.name == name) return &r;
    return nullptr;
  }

  static rt::KeyedFile* primaryFile(const rt::WindowTable& t) {
    return t.manager && *t.manager ? (*t.manager)->keyedFile() : nullptr;
  }

  static bool isForm(const rt::WindowTable& t) { return primaryFile(t) != nullptr; }

  // The browses whose list calls this form for Insert, Change and Delete: by name first, then
  // by entry over the form's own file.
  static std::vector<std::pair<const rt::RegisteredTable*, const rt::ListTable*>> parentsOf(
      const rt::RegisteredTable& form) {
    std::vector<std::pair<const rt::RegisteredTable*, const rt::ListTable*>> byName, byEntry;
    for (const rt::RegisteredTable& p : rt::windowTables()) {
      if (p.name == std::string_view(form.name)) continue;
      const rt::WindowTable& t = p.table();
      for (const rt::ListTable& l : t.lists) {
        for (const rt::ChildRow& c : t.children) {
          if (l.update == 0 || c.number != l.update) continue;
          if (c.name && form.name == std::string_view(c.name))
            byName.emplace_back(&p, &l);
          else if (c.entry && l.file == primaryFile(form.table()))
            byEntry.emplace_back(&p, &l);
        }
      }
    }
    byName.insert(byName.end(), byEntry.begin(), byEntry.end());
    return byName;
  }

  // As the program does: from its parent's list by Insert, or by Enter on a record for a form
  // that refuses inserts; else by its procedure.
  rt::Window* reach(const rt::RegisteredTable& r, int depth = 0) {
    if (depth > 4) return nullptr;
    if (auto it = openers_.find(r.name); it != openers_.end()) {
      if (depth == 0 && isForm(r.table())) countAtOpen_ = recordCount(*primaryFile(r.table()));
      return it->second(driver);
    }
    const rt::WindowTable& t = r.table();
    if (isForm(t)) {
      for (const auto& [parent, list] : parentsOf(r)) {
        rt::Window* p = reach(*parent, depth + 1);
        if (!p) continue;
        if (t.refused.insert && rowsOf(p, *list) == 0) {
          closeAll();
          addBufferRecord(fileOf(t, *list->file));
          if (::testing::Test::HasFatalFailure() || !(p = reach(*parent, depth + 1))) continue;
        }
        if (depth == 0) countAtOpen_ = recordCount(*primaryFile(t));
        // The keys go to the list when it has the focus, as they would from a user; a list on
        // a form's tab is handed them directly.
        driver.activate(p);
        if (driver.focusedControl() == list->control)
          driver.hitKey(t.refused.insert ? Qt::Key_Return : Qt::Key_Insert);
        else
          driver.pressKey(p, list->control, t.refused.insert ? rt::key::Enter : rt::key::Insert);
        if (rt::Window* w = driver.waitForWindow(r.name, 1500)) return w;
        closeAll();
      }
    }
    ProcedureEntry entry = FindProcedure(r.name);
    if (!entry && t.context->procedure) entry = t.context->procedure(r.name);
    if (!entry) return nullptr;
    const bool insert = isForm(t) && !t.refused.insert;
    if (depth == 0 && isForm(t)) countAtOpen_ = recordCount(*primaryFile(t));
    return open(entry, r.name, insert ? rt::Request::Insert : rt::Request::None);
  }

  int rowsOf(rt::Window* w, const rt::ListTable& l) { return driver.rowCount(w, l.control); }

  bool checkWindow(const rt::RegisteredTable& r) {
    const rt::WindowTable& t = r.table();
    rt::Window* w = reach(r);
    if (!w) {
      ADD_FAILURE() << r.name << ": cannot be opened the way its program opens it";
      return false;
    }
    // A window takes the keyboard as it opens, in its first field.
    EXPECT_EQ(driver.focusWindow(), w) << r.name << ": opened without the focus";
    const int first = controlHolding(w, firstField(w->topLevel()));
    if (first == 0) ADD_FAILURE() << r.name << ": no Tab stop";
    EXPECT_EQ(driver.focusedControl(), first) << r.name << ": focus at open is not the first field";

    // Escape leaves the file as it was; the window closes where it was moved to.
    rt::KeyedFile* primary = primaryFile(t);
    const std::int64_t before = countAtOpen_;
    QWidget* top = w->topLevel();
    const QPoint moved = top->pos() + QPoint(37, 23);
    top->move(moved);
    driver.pump();
    driver.hitKey(Qt::Key_Escape);
    if (!driver.waitForClose(r.name, 1500)) {
      ADD_FAILURE() << r.name << ": Escape did not close it";
      return false;
    }
    if (primary) {
      EXPECT_EQ(recordCount(*primary), before) << r.name << ": Escape stored a record";
    }
    closeAll();

    w = reach(r);
    if (!w) {
      ADD_FAILURE() << r.name << ": cannot be opened a second time";
      return false;
    }
    driver.activate(w);
    EXPECT_EQ(w->topLevel()->pos(), moved) << r.name << ": not reopened where it was closed";

    const bool hasOk = std::any_of(t.buttons.begin(), t.buttons.end(), [](const rt::ButtonRow& b) {
      return b.role == rt::ButtonRole::Ok;
    });
    auto checked = [&](const char* enter) {
      std::cout << "[ WINDOW   ] " << r.name << ": focus, Escape, position; Enter " << enter
                << "\n";
      return true;
    };
    if (!hasOk) return checked("not checked: no OK button");
    // Enter presses OK: a blank required field is refused, anything else closes the window.
    const std::int64_t beforeOk = countAtOpen_;
    // Forms that take inserts were opened by Insert, the others by Change.
    const bool inserting = primary && !t.refused.insert;
    driver.hitKey(Qt::Key_Return);
    if (inserting && !t.required.empty()) {
      QMessageBox* box = driver.waitForMessageBox(1500);
      if (!box) {
        ADD_FAILURE() << r.name << ": Enter did not refuse the blank required field";
        return false;
      }
      const std::string said = driver.messageText(box);
      EXPECT_TRUE(std::any_of(t.required.begin(), t.required.end(),
                              [&](const rt::RequiredRow& q) { return said == q.message; }))
          << r.name << ": " << said;
      EXPECT_TRUE(driver.isOpen(w)) << r.name;
      return checked("refused the blank required field");
    }
    if (!driver.waitForClose(r.name, 1500)) {
      ADD_FAILURE() << r.name << ": Enter did not press OK";
      return false;
    }
    if (inserting) {
      EXPECT_EQ(recordCount(*primary), beforeOk + 1) << r.name << ": Enter did not store";
    }
    return checked(inserting ? "stored and closed" : "closed");
  }

  // F9 switches a list between the user's layout and the designed one, and what shows at the
  // close is kept as the user's.
  bool checkF9(const rt::RegisteredTable& r) {
    const rt::WindowTable& t = r.table();
    for (std::size_t i = 0; i < t.lists.size(); ++i) {
      if (t.lists[i].layouts != rt::LayoutKeeping::F9Switch) continue;
      const std::string n = "?Browse:" + std::to_string(i + 1);
      const std::string design = rt::iniGet(t.procedure, n + ":ORIG", "");
      if (design.empty()) {
        ADD_FAILURE() << r.name << ": the designed layout of list " << i + 1 << " is not kept";
        return false;
      }
      // A first width the designed layout has not, or F9 doing nothing would pass.
      const std::size_t rest = design.find_first_not_of("0123456789");
      const std::string width = design.substr(0, rest) == "200" ? "201" : "200";
      const std::string user = width + design.substr(std::min(rest, design.size()));
      rt::iniPut(t.procedure, n + ":USER", user);
      rt::Window* w = reach(r);
      if (!w) return false;
      driver.activate(w);
      if (driver.focusedControl() == t.lists[i].control)
        driver.hitKey(Qt::Key_F9);
      else
        driver.pressKey(w, t.lists[i].control, rt::key::F9);
      driver.close(w);
      if (!driver.waitForClose(r.name, 1500)) {
        ADD_FAILURE() << r.name << ": did not close";
        return false;
      }
      EXPECT_EQ(rt::iniGet(t.procedure, n + ":USER", ""), design)
          << r.name << ": F9 did not switch list " << i + 1 << " to its designed layout";
      closeAll();
      std::cout << "[ WINDOW   ] " << r.name << ": F9 on list " << i + 1 << "\n";
    }
    return true;
  }

  // The first byte of a field of the file's newest record (its only one for a changed form).
  static std::string storedFlag(const rt::KeyedFile& file, const char* field) {
    const rt::FileDesc& d = file.desc();
    const int i = d.fieldIndex(field);
    OwnConnection own(d);
    rt::KeyedFile f(d, own.record.data(), own.memoPtrs);
    if (i < 0 || !f.open()) return "<none>";
    f.setRecordOrder();
    std::string last = "<none>";
    while (f.next()) last = own.record.substr(d.fields[i].offset, 1);
    f.close();
    return last;
  }

  // A check box bound to a field stores "Y" checked and "N" not: once with every box of the
  // form clicked, once as the form opens.
  bool checkBoxes(const rt::RegisteredTable& r) {
    const rt::WindowTable& t = r.table();
    rt::KeyedFile* primary = primaryFile(t);
    std::vector<const rt::ControlRow*> boxes;
    for (const rt::ControlRow& c : t.controls)
      if (c.kind == rt::ControlKind::Check && c.field) boxes.push_back(&c);
    const auto ok = std::find_if(t.buttons.begin(), t.buttons.end(), [](const rt::ButtonRow& b) {
      return b.role == rt::ButtonRole::Ok;
    });
    if (!primary || boxes.empty() || ok == t.buttons.end()) return true;
    for (bool click : {true, false}) {
      rt::Window* w = reach(r);
      if (!w) return false;
      if (!t.refused.insert)
        for (const rt::RequiredRow& q : t.required)
          driver.type(w, q.control, click ? "check on" : "check off");
      std::vector<std::pair<const rt::ControlRow*, bool>> shown;
      for (const rt::ControlRow* c : boxes) {
        if (!w->enabled(c->number)) continue;  // a form that only shows its flags
        if (click) {
          EXPECT_TRUE(driver.press(w, c->number)) << r.name << ": " << c->text;
        }
        auto* b = qobject_cast<QAbstractButton*>(w->control(c->number));
        if (b) shown.emplace_back(c, b->isChecked());
      }
      if (shown.empty()) return true;
      driver.press(w, ok->control);
      if (!driver.waitForClose(r.name, 1500)) {
        ADD_FAILURE() << r.name << ": OK did not store the check boxes"
                      << (driver.messageBox() ? ": " + driver.messageText(driver.messageBox())
                                              : std::string());
        return false;
      }
      for (const auto& [c, checked] : shown)
        EXPECT_EQ(storedFlag(*primary, c->field), checked ? "Y" : "N")
            << r.name << ": " << c->text << (click ? " clicked" : " as opened");
      closeAll();
      std::cout << "[ WINDOW   ] " << r.name << ": " << shown.size() << " check boxes "
                << (click ? "clicked" : "as opened") << "\n";
    }
    return true;
  }

  // A Web or Mail To button hands its target and the address in its field to the opener.
  bool checkShellButtons(const rt::RegisteredTable& r) {
    const rt::WindowTable& t = r.table();
    if (std::none_of(t.buttons.begin(), t.buttons.end(),
                     [](const rt::ButtonRow& b) { return b.role == rt::ButtonRole::Shell; }))
      return true;
    rt::Window* w = reach(r);
    if (!w) return false;
    for (const rt::ButtonRow& b : t.buttons) {
      if (b.role != rt::ButtonRole::Shell) continue;
      const auto entry = std::find_if(t.controls.begin(), t.controls.end(), [&](const auto& c) {
        return c.kind == rt::ControlKind::Entry && c.field &&
               QString(c.field).compare(b.field, Qt::CaseInsensitive) == 0;
      });
      std::string address;
      if (entry != t.controls.end() && w->enabled(entry->number)) {
        address = "x.example";
        EXPECT_TRUE(driver.type(w, entry->number, address)) << r.name << ": " << b.field;
      } else if (entry != t.controls.end()) {
        address = w->text(entry->number);
      }
      const std::size_t before = opened.size();
      // A link is clicked; a button pressed.
      const bool link = std::any_of(t.controls.begin(), t.controls.end(), [&](const auto& c) {
        return c.number == b.control && c.kind == rt::ControlKind::Entry;
      });
      if (link)
        driver.click(w, b.control, rt::key::MouseLeft);
      else
        EXPECT_TRUE(driver.press(w, b.control)) << r.name << ": button " << b.control;
      driver.pump();
      if (opened.size() != before + 1) {
        ADD_FAILURE() << r.name << ": button " << b.control << " handed nothing to the opener";
        continue;
      }
      if (entry != t.controls.end()) {
        EXPECT_EQ(opened.back().toString().toStdString(),
                  rt::shellUrl(std::string(b.target) + address).toString().toStdString())
            << r.name << ": button " << b.control;
      } else {
        EXPECT_TRUE(opened.back().toString().startsWith(b.target)) << r.name;
      }
    }
    closeAll();
    std::cout << "[ WINDOW   ] " << r.name << ": Web and Mail To buttons\n";
    return true;
  }

  // The Delete key on a list whose Delete button shows deletes the highlighted record (the
  // confirmation is answered Yes). Insert and Enter are pressed on the lists that open forms.
  bool checkDeleteKey(const rt::RegisteredTable& r) {
    const rt::WindowTable& t = r.table();
    for (const rt::ButtonRow& b : t.buttons) {
      if (b.role != rt::ButtonRole::Delete || b.list >= t.lists.size()) continue;
      const auto shown = [&](const std::vector<int>& v) {
        return std::find(v.begin(), v.end(), b.control) == v.end();
      };
      if (!shown(t.hidden) || !shown(t.disabled)) continue;
      const rt::ListTable& l = t.lists[b.list];
      addBufferRecord(fileOf(t, *l.file));
      if (::testing::Test::HasFatalFailure()) return false;
      rt::Window* w = reach(r);
      if (!w) return false;
      const int rows = driver.rowCount(w, l.control);
      if (rows == 0) {
        std::cout << "[ WINDOW   ] " << r.name << ": Delete not checked: no row shows\n";
        closeAll();
        continue;
      }
      const std::int64_t before = recordCount(*l.file);
      driver.activate(w);
      if (driver.focusedControl() == l.control)
        driver.hitKey(Qt::Key_Delete);
      else
        driver.pressKey(w, l.control, rt::key::Delete);
      EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(w, l.control) == rows - 1; }))
          << r.name << ": the Delete key deleted no row";
      EXPECT_EQ(recordCount(*l.file), before - 1) << r.name;
      closeAll();
      std::cout << "[ WINDOW   ] " << r.name << ": Delete key\n";
    }
    return true;
  }

  std::map<std::string, Opener> openers_;
  std::vector<std::string> failed_;
  std::int64_t countAtOpen_ = 0;  // records of the form's file before it opened
};

}  // namespace conventions
