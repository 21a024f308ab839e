// The domain, registrar and reminder windows run on procedure threads over real data files in
// a temporary working directory, with the dictionary's managers, and the shell captured.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "dictionary/Dictionary.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/ini/IniFile.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Paths.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/Window.h"
#include "tests/support/TestDriver.h"

namespace domaintest {

// A record written straight into a data file, before any window opens it.
template <class Record>
void addRecords(const rt::FileDesc& desc, const std::vector<std::function<void(Record&)>>& fill) {
  Record rec{};
  rt::KeyedFile f(desc, &rec);
  if (!rt::FileExists(f.path())) {
    ASSERT_TRUE(f.create());
  }
  ASSERT_TRUE(f.open());
  for (const auto& fn : fill) {
    rec = Record{};
    fn(rec);
    ASSERT_TRUE(f.add());
  }
  ASSERT_TRUE(f.close());
}

// Every record of a file, in record order, through a connection of the test's own.
template <class Record>
std::vector<Record> readRecords(const rt::FileDesc& desc) {
  Record rec{};
  std::vector<Record> out;
  rt::KeyedFile f(desc, &rec);
  if (!rt::FileExists(f.path()) || !f.open()) return out;
  f.setRecordOrder();
  while (f.next()) out.push_back(rec);
  f.close();
  return out;
}

inline void addDomain(std::string_view name, std::int32_t renewal = 0) {
  addRecords<DomainsRecord>(DomainsDesc(), {[&](DomainsRecord& r) {
                              r.DOMAINNAME = name;
                              r.RENEWALDATE = renewal;
                            }});
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    rt::setProgramIniFile("tarnwick.INI");
    rt::defaultReporter().clear();
    rt::defaultReporter().answer = rt::Answer::Yes;
    rt::setUrlOpener([this](const QUrl& u) { opened.push_back(u); });
    DictionaryInit();
  }

  void TearDown() override {
    closeAll();
    EXPECT_EQ(rt::procedureThreadCount(), 0);
    DictionaryKill();
    rt::setUrlOpener(nullptr);
    rt::defaultReporter().clear();
    QDir::setCurrent(oldDir);
  }

  // Closes every window, answering what they ask (No where it can, else OK).
  void closeAll() {
    for (int round = 0; round < 50 && rt::procedureThreadCount() > 0; ++round) {
      while (QMessageBox* box = driver.messageBox()) {
        if (!rt::pressMessageBoxButton(box, rt::button::No) &&
            !rt::pressMessageBoxButton(box, rt::button::Ok))
          box->buttons().back()->click();
        driver.pump();
      }
      for (int t : rt::runningThreads()) rt::PostEvent(rt::EventKind::CloseWindow, 0, t);
      driver.pump();
    }
  }

  // Starts a procedure on a thread of its own with a request and waits for its window.
  rt::Window* open(void (*procedure)(), std::string_view name,
                   rt::Request request = rt::Request::None) {
    rt::setCallRequest(request);
    driver.start(procedure, 50000, name);
    return driver.waitForWindow(name);
  }

  std::string ini(std::string_view section, std::string_view key) {
    return rt::iniGet(section, key, "<none>");
  }

  QTemporaryDir dir;
  QString oldDir;
  rt::TestDriver driver;
  std::vector<QUrl> opened;
};

}  // namespace domaintest
