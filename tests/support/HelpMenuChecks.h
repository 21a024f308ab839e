// The Help menu of a program's frame, tried item by item as a user does: each item opens the
// help window with its page (the search field taking the keys for Search) and Escape closes it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QString>
#include <QTextBrowser>
#include <initializer_list>

#include "runtime/ui/Help.h"
#include "tests/support/TestDriver.h"

namespace helpchecks {

struct HelpItem {
  int item;
  const char* page;  // "sondrel/index.html": how the page's address ends
  bool searching;    // the keys go to the search field
};

inline void pickEachHelpItem(rt::TestDriver& driver, rt::Window* frame,
                             std::initializer_list<HelpItem> items) {
  for (const HelpItem& c : items) {
    SCOPED_TRACE(c.item);
    ASSERT_TRUE(driver.pickMenu(frame, c.item));
    ASSERT_TRUE(driver.waitUntil([] {
      return rt::helpWindow() && QApplication::focusWidget() &&
             QApplication::focusWidget()->window() == rt::helpWindow();
    }));
    const QString shown = rt::helpBrowser()->source().toString();
    EXPECT_TRUE(shown.endsWith(c.page)) << shown.toStdString();
    EXPECT_EQ(qobject_cast<QLineEdit*>(driver.focusWidget()) != nullptr, c.searching);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitUntil([] { return rt::helpWindow() == nullptr; }));
  }
}

}  // namespace helpchecks
