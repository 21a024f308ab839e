// Every window of sondrel keeps the desktop's conventions.
#include "dictionary/Globals.h"
#include "tests/support/WindowConventions.h"

namespace {

using ReaderWindows = conventions::WindowConventionsTest;

TEST_F(ReaderWindows, EveryRegisteredWindowKeepsTheConventions) {
  const std::map<std::string, conventions::Opener> openers = {
      // The menu's page browse, once a domain is known: the one the seeded records have.
      {"BrowseWebPages",
       [](rt::TestDriver& d) -> rt::Window* {
         domainname = "a";
         d.start(FindProcedure("BrowseChooser"), kLargeStack, "BrowseChooser");
         return d.waitForWindow("BrowseWebPages");
       }},
  };
  checkEveryWindow(openers);
}

}  // namespace
