// Browse and form procedures over the "things" file, run on procedure threads by the tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ListBrowserTestData.h"
#include "UiFixture.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/FormController.h"
#include "runtime/ui/ListBrowser.h"

namespace browsetest {

inline constexpr char kDesign[] =
    "120L(2)|M~Name~@s40@40L(2)|M~Group~@s10@44D(12)|M~Fee~C(0)@n10.2@";

// Controls of the browse window.
enum BrowseControl {
  cList = 1,
  cInsert,
  cChange,
  cDelete,
  cSheet,
  cTabName,
  cTabGroup,
  cLocator,
  cClose,
  cSelect,
  cPrint
};
// Controls of the form.
enum FormControl { cName = 1, cGroup, cFlag, cNotes, cPick, cOk, cCancel };

inline rt::WindowDesc browseWindow() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Browse the Things File";
  d.add(rt::ControlKind::List, cList);
  d.add(rt::ControlKind::Button, cInsert, "&Insert");
  d.add(rt::ControlKind::Button, cChange, "&Change");
  d.add(rt::ControlKind::Button, cDelete, "&Delete");
  d.add(rt::ControlKind::Sheet, cSheet);
  d.add(rt::ControlKind::Tab, cTabName, "By Name", cSheet);
  d.add(rt::ControlKind::Tab, cTabGroup, "By Group", cSheet);
  d.entry(cLocator, "@s40");
  d.add(rt::ControlKind::Button, cClose, "Close").cancelButton = true;
  d.add(rt::ControlKind::Button, cSelect, "&Select");
  d.add(rt::ControlKind::Button, cPrint, "&Print");
  return d;
}

inline rt::WindowDesc formWindow() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Update the Things File";
  d.entry(cName, "@s40");
  d.entry(cGroup, "@s10");
  auto& flag = d.add(rt::ControlKind::Check, cFlag, "Flag");
  flag.trueValue = "Y";
  flag.falseValue = "N";
  d.add(rt::ControlKind::Text, cNotes);
  d.add(rt::ControlKind::DropList, cPick).readOnly = true;
  d.add(rt::ControlKind::Button, cOk, "OK").okButton = true;
  d.add(rt::ControlKind::Button, cCancel, "Cancel").cancelButton = true;
  return d;
}

// A browse that switches its layouts at F9 and keeps them at close.
class TestBrowse : public rt::BrowseController {
 public:
  using BrowseController::BrowseController;
  std::unique_ptr<rt::BrowseLayouts> layouts;

  rt::Flow OnWindowEvent() override {
    if (layouts && eventKind() == rt::EventKind::AlertKey && keyCode() == rt::key::F9) {
      layouts->Toggle();
      return rt::Flow::Cycle;
    }
    return BrowseController::OnWindowEvent();
  }
  rt::Flow Teardown() override {
    const rt::Flow f = BrowseController::Teardown();
    if (layouts) layouts->Save();
    return f;
  }
};

// A form that logs what it does and can run code of its own at OK.
class TestForm : public rt::FormController {
 public:
  using FormController::FormController;
  std::vector<std::string>* log = nullptr;
  std::function<void()> okCode;
  std::function<void(int)> accepted;

  rt::Flow OnAccepted() override {
    if (accepted) accepted(control());
    if (control() == cOk) {
      if (log) log->push_back("ok code");
      if (okCode) okCode();
    } else if (log) {
      log->push_back("accepted " + std::to_string(control()));
    }
    return FormController::OnAccepted();
  }
};

struct FormRun {
  explicit FormRun(Things& d) : data(d) {}
  Things& data;
  std::function<void(TestForm&)> configure;
  std::vector<rt::Request> requests;
  std::vector<int> responses;

  void operator()() {
    TestForm f(formWindow(), "UpdateThings");
    f.SetPrimary(data.manager, &data.relations, cOk);
    f.bind(cName, data.rec.name);
    f.bind(cGroup, data.rec.group);
    f.bind(cFlag, data.rec.flag);
    f.bind(cNotes, rt::Binding(data.memo, sizeof data.memo));
    if (configure) configure(f);
    f.Run();
    requests.push_back(f.request());
    responses.push_back(rt::callResponse());
  }
};

// A list whose row hook the test supplies.
class TestList : public rt::ListBrowser {
 public:
  using ListBrowser::ListBrowser;
  std::function<void(rt::RowLook&)> fill;
  void FillRow(rt::RowLook& look) override {
    if (fill) fill(look);
  }
};

struct BrowseRun {
  explicit BrowseRun(Things& d) : data(d) {}
  Things& data;
  std::function<void(rt::ListBrowser&, TestBrowse&)> configure;
  std::function<void()> child;
  std::function<void()> print;
  rt::WindowDesc window = browseWindow();
  TestList* list = nullptr;
  int response = -1;

  void operator()() {
    TestBrowse w(window, "BrowseThings");
    TestList l(w, *data.file, cList);
    l.SetFormat(kDesign);
    for (const char* f : {"THI:NAME", "THI:GROUP", "THI:FEE"}) l.AddField(f);
    l.AddSortOrder("THI:name", {}, cTabName).locator =
        std::make_unique<rt::EntryLocator>(fName, cLocator);
    l.SetButtons({.insert = cInsert,
                  .change = cChange,
                  .remove = cDelete,
                  .select = cSelect,
                  .print = cPrint,
                  .updateProcedure = 1,
                  .printProcedure = 2});
    if (child) w.SetChild(1, child);
    if (print) w.SetChild(2, print);
    if (configure) configure(l, w);
    list = &l;
    response = w.Run();
    list = nullptr;
  }
};

// The file and the procedures live in the fixture, so they outlive the windows that the
// fixture's tear-down closes.
class BrowseTest : public uitest::UiTest {
 protected:
  ~BrowseTest() override {
    forms_.clear();
    runs_.clear();
    while (!data_.empty()) data_.pop_back();  // working directories unwind newest first
  }
  Things& things(bool autoNumber = true, rt::FileDesc layout = thingDesc()) {
    data_.push_back(std::make_unique<Things>(autoNumber, std::move(layout)));
    return *data_.back();
  }
  BrowseRun& browse(Things& data) {
    runs_.push_back(std::make_unique<BrowseRun>(data));
    return *runs_.back();
  }
  FormRun& formFor(Things& data) {
    forms_.push_back(std::make_unique<FormRun>(data));
    return *forms_.back();
  }
  // A browse whose Insert, Change and Delete run the form over the same file.
  std::pair<BrowseRun&, FormRun&> browseWithForm(Things& data) {
    FormRun& form = formFor(data);
    BrowseRun& run = browse(data);
    run.child = [&form] { form(); };
    return {run, form};
  }
  // The name in the highlighted row, or "" when none.
  std::string currentName(const rt::ListBrowser& l) const {
    return l.currentRow() < 0 ? std::string() : l.cell(l.currentRow(), 0);
  }
  rt::Window* open(BrowseRun& run) {
    driver.start([&run] { run(); }, 50000, "BrowseThings");
    return driver.waitForWindow("BrowseThings");
  }

 private:
  std::vector<std::unique_ptr<Things>> data_;
  std::vector<std::unique_ptr<BrowseRun>> runs_;
  std::vector<std::unique_ptr<FormRun>> forms_;
};

}  // namespace browsetest
