// The window object of every window procedure. Procedures derive from it and override
// its operations (declared below in the system's own order).
//
//   class BrowseThings : public rt::WindowController { ... Flow OnAccepted() override; };
//   BrowseThings w(desc, "BrowseThings");
//   int response = w.Run();   // Setup, event loop, Teardown
//
// Run() must be called on the procedure thread that owns the window. A window run while
// the same thread already shows windows is modal over them; other threads stay live.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "runtime/proc/Events.h"
#include "runtime/ui/Binding.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowDesc.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {

// What a caller asks of a window (the global CallRequest holds one of these).
enum class Request : std::uint8_t {
  None = 0,
  Insert = 1,
  Change = 2,
  Delete = 3,
  Select = 4,
  View = 5
};

// What the window did (CallResponse).
inline constexpr int RequestCompleted = 1;
inline constexpr int RequestCancelled = 2;

// A handler's answer: go on with the event, stop handling this event (and wait for the
// next), or leave the event loop.
enum class Flow { Continue, Cycle, Fatal };

class WindowController {
 public:
  WindowController(WindowDesc desc, std::string procedure);
  virtual ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  // Takes events one by one and hands them to OnEvent until the window closes.
  virtual void RunEventLoop();
  // Builds and opens the window (BeginWork), applies the item states, shows the variables
  // and queues the opening event. Fatal: the window is not run.
  virtual Flow Setup();
  // Saves the position, closes the window and lifts the modality.
  virtual Flow Teardown();
  // Opens the window, modal over the thread's other windows, at its saved position.
  virtual void BeginWork();
  // Called whenever the event loop is about to wait.
  virtual void Idle();
  // Carries out the request once it is complete (forms write their record here).
  virtual Flow PerformRequest();
  // Redraws the window's items from their variables (DisplayControls).
  virtual void RefreshItems();
  // Puts the focused control's value from when the window opened back.
  virtual void RecallHistory();
  // Setup, event loop, Teardown; returns the response.
  virtual int Run();
  // Runs child procedure number with a request; returns its response.
  virtual int RunChild(int number, Request request);
  // Makes the items read-only for a request that only looks (View, Delete).
  virtual void ApplyItemStates();
  // Sets the response and closes the window through its event queue.
  virtual void CloseWithResponse(int response);
  // A control was accepted; the base handles the OK and Cancel buttons.
  virtual Flow OnAccepted();
  // OK: take the values, check them, perform the request and close with RequestCompleted.
  virtual Flow CompleteRequest();
  // Every item's value is acceptable; otherwise its control gets the focus (Cycle).
  virtual Flow CheckCompletion();
  // Dispatches the current event to the control or window handlers.
  virtual Flow OnEvent();
  virtual Flow OnControlEvent();
  // New selections, tab changes and other field events.
  virtual Flow OnFieldEvent();
  // Typed input that the control's picture or variable cannot take.
  virtual Flow OnRejected();
  virtual Flow OnSelected();
  // Events without a control: open, close, completed, timer, alert keys, focus.
  virtual Flow OnWindowEvent();
  // Takes the controls' values into their variables.
  virtual void UpdateItemValues();

  // ---- state ----
  Window* window() const { return window_.get(); }
  const WindowDesc& desc() const { return desc_; }
  WindowDesc& desc() { return desc_; }
  const std::string& procedure() const { return procedure_; }
  const Event& event() const { return event_; }
  EventKind eventKind() const { return event_.kind; }
  int control() const { return event_.control; }
  int keyCode() const { return event_.key; }
  Request request() const { return request_; }
  void setRequest(Request r) { request_ = r; }
  int response() const { return response_; }
  void setResponse(int r) { response_ = r; }
  bool opened() const { return opened_; }
  bool closing() const { return done_; }

  // Variables of controls; bound when the window is built.
  void bind(int control, Binding b);
  // The INI section the position is kept under; by default the procedure name, empty for
  // none.
  void setPositionSection(std::string section) { positionSection_ = std::move(section); }
  // Alert keys and the timer, applied when the window opens.
  void setTimer(long hundredths);
  void addAlertKey(int code);

 private:
  WindowDesc desc_;
  std::string procedure_;
  std::string positionSection_;
  std::unique_ptr<Window> window_;
  std::unique_ptr<ModalScope> modal_;
  std::map<int, Binding> bindings_;
  std::map<int, Value> history_;
  std::vector<int> alertKeys_;
  long timer_ = 0;
  Event event_;
  Request request_ = Request::None;
  int response_ = RequestCancelled;
  bool opened_ = false;
  bool done_ = false;
};

}  // namespace rt
