// A query typed into a view's query dialog as a user does it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/ui/QueryByExample.h"
#include "tests/support/TestDriver.h"

namespace domaintest {

// The view's Find By, Clear, then into the field's value and operator (its first letter) as
// a user tabs through them, and Enter.
inline void typeQuery(rt::TestDriver& driver, rt::Window* view, int find, std::size_t field,
                      const std::string& value, char op) {
  ASSERT_TRUE(driver.press(view, find));
  rt::Window* dialog = driver.waitForWindow("QueryWindow");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(driver.press(dialog, rt::QueryWindow::kClear));
  for (std::size_t i = 0; i < field; ++i) {
    driver.hitKey(Qt::Key_Tab);
    driver.hitKey(Qt::Key_Tab);
  }
  ASSERT_TRUE(driver.typeKeys(value));
  driver.hitKey(Qt::Key_Tab);
  ASSERT_TRUE(driver.typeKeys(std::string(1, op)));
  driver.hitKey(Qt::Key_Return);
  ASSERT_TRUE(driver.waitForClose("QueryWindow"));
}

}  // namespace domaintest
