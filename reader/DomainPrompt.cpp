#include "reader/DomainPrompt.h"

#include "dictionary/Globals.h"
#include "reader/PageWindows.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/ui/WindowController.h"

namespace reader {

namespace {

rt::WindowDesc promptDesc() {
  rt::WindowDesc d;
  // Inside the frame like the browse it opens, which then shows above it.
  d.kind = rt::WindowKind::MdiChild;
  d.title = "Need a domain name...";
  d.icon = "~tw.ico";
  d.font = "MS Sans Serif";
  d.add(rt::ControlKind::Prompt, 1, "Please enter a domain name:");
  d.entry(domainprompt::Entry, "@s50").tip =
      "This is the actual domain name that you have registered.";
  // Enter presses Close; Escape, like the close box, leaves without browsing.
  d.add(rt::ControlKind::Button, domainprompt::Close, "Close").defaultButton = true;
  return d;
}

class DomainPrompt : public rt::WindowController {
 public:
  DomainPrompt() : WindowController(promptDesc(), "getdom") {
    bind(domainprompt::Entry, rt::Binding(domainname));
  }

  rt::Flow Setup() override {
    rt::setCurrentProcedure("getdom");
    const rt::Flow f = WindowController::Setup();
    if (f == rt::Flow::Fatal) return f;
    window()->setIcon("~tw.ico");
    return f;
  }

  // The close button browses the typed domain first; the close box only closes.
  rt::Flow OnAccepted() override {
    if (control() != domainprompt::Close) return WindowController::OnAccepted();
    UpdateItemValues();
    BrowseWebPages();
    CloseWithResponse(rt::RequestCancelled);
    return rt::Flow::Cycle;
  }

  rt::Flow Teardown() override {
    const rt::Flow f = WindowController::Teardown();
    rt::setCurrentProcedure("");
    return f;
  }
};

}  // namespace

void BrowseChooser() {
  if (domainname.blank())
    getdom();
  else
    BrowseWebPages();
}

void getdom() {
  DomainPrompt w;
  w.Run();
}

}  // namespace reader
