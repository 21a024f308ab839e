// Every window of tarnwick keeps the desktop's conventions.
#include "admin/ControlPanel.h"
#include "admin/ControlSetup.h"
#include "common/System.h"
#include "dictionary/Globals.h"
#include "tests/support/WindowConventions.h"

namespace {

using AdminWindows = conventions::WindowConventionsTest;

TEST_F(AdminWindows, EveryRegisteredWindowKeepsTheConventions) {
  const std::map<std::string, conventions::Opener> openers = {
      // The menu's set-up item, while the launcher is closed.
      {"browsecpanel",
       [](rt::TestDriver& d) -> rt::Window* {
         d.start(&ConfigureControlPanel, 25000, "ConfigureControlPanel");
         return d.waitForWindow("browsecpanel");
       }},
      // Configuring the launcher while it is open warns instead.
      {"cpwarn",
       [this](rt::TestDriver& d) -> rt::Window* {
         if (!open(&cpanel2, "cpanel2")) return nullptr;
         d.start(&ConfigureControlPanel, 25000, "ConfigureControlPanel");
         return d.waitForWindow("cpwarn");
       }},
      // A second settings record is refused before its form shows.
      {"closit",
       [this](rt::TestDriver& d) -> rt::Window* {
         if (conventions::recordCount(Editor) == 0)
           conventions::addBufferRecord(SystemTables().file("EDI"));
         rt::Window* b = open(&browsecpanel, "browsecpanel");
         if (!b || d.focusedControl() != 1) return nullptr;
         d.hitKey(Qt::Key_Insert);
         return d.waitForWindow("closit");
       }},
  };
  checkEveryWindow(openers);
}

}  // namespace
