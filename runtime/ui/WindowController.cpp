#include "runtime/ui/WindowController.h"

#include <QApplication>
#include <QWidget>

#include "runtime/proc/Threads.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {

WindowController::WindowController(WindowDesc desc, std::string procedure)
    : desc_(std::move(desc)), procedure_(std::move(procedure)), positionSection_(procedure_) {}

WindowController::~WindowController() {
  if (window_) Teardown();
}

void WindowController::bind(int control, Binding b) {
  bindings_[control] = b;
  if (window_) window_->bind(control, b);
}

void WindowController::setTimer(long hundredths) {
  timer_ = hundredths;
  if (window_) window_->setTimer(hundredths);
}

void WindowController::addAlertKey(int code) {
  alertKeys_.push_back(code);
  if (window_) window_->addAlertKey(code);
}

void WindowController::RunEventLoop() {
  while (!done_) {
    const int id = window_->id();
    if (!hasEvent(id)) Idle();
    Event ev;
    waitUntil([&] { return done_ || takeEvent(id, ev); });
    if (done_) break;
    event_ = ev;
    if (OnEvent() == Flow::Fatal) done_ = true;
  }
}

Flow WindowController::Setup() {
  done_ = false;
  response_ = RequestCancelled;
  window_ = std::make_unique<Window>(desc_, procedure_);
  for (const auto& [control, b] : bindings_) window_->bind(control, b);
  for (int code : alertKeys_) window_->addAlertKey(code);
  BeginWork();
  ApplyItemStates();
  RefreshItems();
  history_.clear();
  for (int c : window_->controls())
    if (window_->binding(c)) history_[c] = window_->value(c);
  // Once the items show their values and states, so an entry's text is selected whole.
  window_->focusFirstControl();
  window_->post(EventKind::OpenWindow);
  return Flow::Continue;
}

Flow WindowController::Teardown() {
  if (!window_) return Flow::Continue;
  if (opened_ && !positionSection_.empty()) window_->savePosition(positionSection_);
  window_->close();
  window_.reset();
  modal_.reset();
  opened_ = false;
  return Flow::Continue;
}

void WindowController::BeginWork() {
  modal_ = std::make_unique<ModalScope>();
  window_->open(positionSection_);
  opened_ = true;
  if (timer_ > 0) window_->setTimer(timer_);
}

void WindowController::Idle() {}

Flow WindowController::PerformRequest() {
  return Flow::Continue;
}

void WindowController::RefreshItems() {
  window_->displayControls();
}

void WindowController::RecallHistory() {
  const int c = window_->focusedControl();
  auto it = history_.find(c);
  if (it != history_.end()) window_->setValue(c, it->second);
}

int WindowController::Run() {
  if (Setup() != Flow::Fatal) RunEventLoop();
  Teardown();
  return response_;
}

int WindowController::RunChild(int, Request) {
  return RequestCancelled;
}

void WindowController::ApplyItemStates() {
  if (request_ != Request::View && request_ != Request::Delete) return;
  for (int c : window_->controls()) {
    switch (window_->controlKind(c)) {
      case ControlKind::Entry:
      case ControlKind::Text:
        if (auto* w = window_->control(c)) w->setProperty("readOnly", true);
        break;
      case ControlKind::Check:
      case ControlKind::Option:
      case ControlKind::DropList:
        window_->setEnabled(c, false);
        break;
      default:
        break;
    }
  }
}

void WindowController::CloseWithResponse(int response) {
  response_ = response;
  if (window_) window_->post(EventKind::CloseWindow);
}

Flow WindowController::OnAccepted() {
  for (const ControlDesc& d : desc_.controls) {
    if (d.number != control()) continue;
    if (d.okButton) return CompleteRequest();
    if (d.cancelButton) {
      CloseWithResponse(RequestCancelled);
      return Flow::Cycle;
    }
  }
  return Flow::Continue;
}

Flow WindowController::CompleteRequest() {
  UpdateItemValues();
  if (CheckCompletion() != Flow::Continue) return Flow::Cycle;
  if (PerformRequest() != Flow::Continue) return Flow::Cycle;
  response_ = RequestCompleted;
  done_ = true;
  return Flow::Continue;
}

Flow WindowController::CheckCompletion() {
  if (window_->updateValues()) return Flow::Continue;
  window_->refuse(window_->firstRefusedControl());
  QApplication::beep();
  return Flow::Cycle;
}

Flow WindowController::OnEvent() {
  if (event_.control != 0) {
    switch (event_.kind) {
      case EventKind::Accepted:
      case EventKind::Selected:
      case EventKind::NewSelection:
      case EventKind::Rejected:
        return OnControlEvent();
      default:
        break;
    }
  }
  return OnWindowEvent();
}

Flow WindowController::OnControlEvent() {
  switch (event_.kind) {
    case EventKind::Accepted:
      // The value goes into its variable on the owning thread, before anyone looks at it.
      if (!window_->updateValue(event_.control)) return OnRejected();
      return OnAccepted();
    case EventKind::Selected:
      return OnSelected();
    case EventKind::Rejected:
      return OnRejected();
    default:
      return OnFieldEvent();
  }
}

Flow WindowController::OnFieldEvent() {
  return Flow::Continue;
}

Flow WindowController::OnRejected() {
  window_->refuse(event_.control);
  QApplication::beep();
  return Flow::Cycle;
}

Flow WindowController::OnSelected() {
  return Flow::Continue;
}

Flow WindowController::OnWindowEvent() {
  switch (event_.kind) {
    case EventKind::CloseWindow:
      done_ = true;
      return Flow::Continue;
    case EventKind::Completed:
      return CompleteRequest();
    default:
      return Flow::Continue;
  }
}

void WindowController::UpdateItemValues() {
  window_->updateValues();
}

}  // namespace rt
