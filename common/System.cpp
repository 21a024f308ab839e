#include "common/System.h"

#include "common/Procedures.h"
#include "common/TabColorer.h"
#include "dictionary/Dictionary.h"
#include "resources/Resources.h"
#include "runtime/expr/BindTable.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/WindowLayer.h"

ProgramErrorsClass ProgramErrors;

void ProgramErrorsClass::Init() {
  rt::setErrorReporter(this);
}

void ProgramErrorsClass::Kill() {
  rt::setErrorReporter(nullptr);
}

rt::Answer ProgramErrorsClass::report(const rt::ReportedMessage& m) {
  if (m.buttons == rt::MessageButtons::YesNo) {
    const int b = rt::ShowMessageBox(m.text, m.caption, rt::MessageIcon::Question,
                                     rt::button::Yes | rt::button::No, rt::button::No);
    return b == rt::button::Yes ? rt::Answer::Yes : rt::Answer::No;
  }
  rt::ShowMessageBox(m.text, m.caption, rt::MessageIcon::Exclamation);
  return rt::Answer::Ok;
}

void ShellOpen(const rt::Window*, std::string_view target) {
  rt::ShellOpen(target);
}

namespace {

rt::TableFile dictionaryFile(std::string_view prefix) {
  for (const rt::FileDesc* d : AllFileDescs())
    if (rt::equalsNoCase(d->prefix, prefix)) {
      const BufferRef b = BufferOf(*d);
      return {d, b.record, b.memo};
    }
  return {};
}

// Bound once: the names point at the program-wide buffers, which never move.
const rt::BindTable& dictionaryNames() {
  static const rt::BindTable table = [] {
    rt::BindTable t;
    BindDictionary(t);
    return t;
  }();
  return table;
}

class TabLook : public rt::WindowLook {
 public:
  explicit TabLook(rt::Window& w) {
    colorer_.Init(w);
    colorer_.Refresh();
  }
  ~TabLook() override { colorer_.Kill(); }
  void tabChanged() override { colorer_.Refresh(); }

 private:
  TabColorer colorer_;
};

}  // namespace

rt::TableContext& SystemTables() {
  static rt::TableContext context{
      .file = dictionaryFile,
      .names = dictionaryNames,
      .procedure = FindProcedure,
      .look = nullptr,
      .icon = "",
  };
  return context;
}

std::unique_ptr<rt::WindowLook> ColoredTabs(rt::Window& window) {
  return std::make_unique<TabLook>(window);
}

void StartSystemWindows(const char* helpBook) {
  rt::initWindowLayer();
  SystemTables().look = ColoredTabs;
  SystemTables().icon = "~tw.ico";
  rt::setHelpBook(
      [helpBook](std::string_view procedure) { return rt::helpPage(helpBook, procedure); });
  for (const BufferSpan& b : RecordBuffers()) rt::registerThreadBuffer(b.data, b.size);
}

void StopSystemWindows() {
  for (const BufferSpan& b : RecordBuffers()) rt::unregisterThreadBuffer(b.data);
  rt::setHelpBook(nullptr);
  SystemTables().look = nullptr;
  SystemTables().icon = "";
}
