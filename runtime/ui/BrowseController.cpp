// A browse's list layouts kept in the INI file, and the window controller that hands a
// browse's events to its lists.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "runtime/ui/FormCall.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/ListBrowser.h"
#include "runtime/ui/Window.h"

namespace rt {

BrowseLayouts::BrowseLayouts(ListBrowser& list, std::string section, std::string originalKey,
                             std::string userKey)
    : list_(list),
      section_(std::move(section)),
      originalKey_(std::move(originalKey)),
      userKey_(std::move(userKey)) {}

void BrowseLayouts::Load() {
  const std::string design = list_.Format();
  original_ = iniGet(section_, originalKey_, design);
  userLayout_ = iniGet(section_, userKey_, design);
  // The same layout again would only measure and lay the open list out once more.
  if (userLayout_ != design && !list_.SetFormat(userLayout_)) list_.SetFormat(design);
  user_ = true;
}

bool BrowseLayouts::Toggle() {
  if (user_) {
    userLayout_ = list_.Format();
    list_.SetFormat(original_);
  } else {
    list_.SetFormat(userLayout_);
  }
  user_ = !user_;
  return user_;
}

void BrowseLayouts::Save() {
  const std::string user = list_.Format();
  iniPut(section_, {{originalKey_, original_}, {userKey_, user}});
}

// ---------------------------------------------------------------------------------------

BrowseController::~BrowseController() = default;

void BrowseController::SetChild(int number, std::function<void()> procedure) {
  children_.emplace_back(number, std::move(procedure));
}

void BrowseController::attach(ListBrowser& list) {
  lists_.push_back(&list);
}

void BrowseController::detach(ListBrowser& list) {
  std::erase(lists_, &list);
}

ListBrowser* BrowseController::activeList() const {
  if (lists_.empty()) return nullptr;
  if (Window* w = window()) {
    const int focused = w->focusedControl();
    for (ListBrowser* l : lists_)
      if (l->listControl() == focused) return l;
  }
  return lists_.front();
}

Flow BrowseController::Setup() {
  const Request pending = takeCallRequest();
  if (request() == Request::None) setRequest(pending);
  const Flow f = WindowController::Setup();
  if (f == Flow::Fatal) return f;
  openListsInView();
  return f;
}

// A form of many lists on tabs opens as fast as the tab it shows first.
void BrowseController::openListsInView() {
  for (ListBrowser* l : lists_)
    if (!l->isOpen() && l->inView()) l->Open();
}

Flow BrowseController::Teardown() {
  for (ListBrowser* l : lists_) l->Close();
  const Flow f = WindowController::Teardown();
  setCallResponse(response());
  return f;
}

void BrowseController::RefreshItems() {
  WindowController::RefreshItems();
  for (ListBrowser* l : lists_) l->RefreshIfChanged();
}

Flow BrowseController::OnEvent() {
  const Event& ev = event();
  const bool toolbarButton =
      ev.kind == EventKind::Accepted && ev.control >= toolbar::First && ev.control <= toolbar::Help;
  if (toolbarButton) {
    // Only the active list takes the record buttons; the rest (Help) is the window's.
    if (ListBrowser* l = activeList()) {
      bool handled = false;
      const Flow f = l->TakeEvent(ev, handled);
      if (handled) return f;
    }
    return WindowController::OnEvent();
  }
  if (ev.kind == EventKind::NewSelection) openListsInView();
  for (ListBrowser* l : lists_) {
    bool handled = false;
    const Flow f = l->TakeEvent(ev, handled);
    if (handled) return f;
  }
  return WindowController::OnEvent();
}

int BrowseController::RunChild(int number, Request request) {
  for (auto& [n, proc] : children_) {
    if (n != number || !proc) continue;
    setCallRequest(request);
    proc();
    return callResponse();
  }
  return WindowController::RunChild(number, request);
}

}  // namespace rt
