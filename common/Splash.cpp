#include "common/Splash.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdint>

#include "runtime/data/ErrorReporter.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/WindowController.h"
#include "runtime/ui/WindowLayer.h"

namespace {

rt::WindowDesc splashDesc() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Plain;
  d.font = "MS Sans Serif";
  d.icon = "~tw.ico";
  d.resizable = false;
  d.width = 380;
  d.height = 220;
  rt::ControlDesc& name = d.add(rt::ControlKind::Prompt, 1, "Tarnwick");
  name.font = "Arial Black";
  name.fontSize = 28;
  const char* lines[] = {"Version 1.0 for Linux", "All rights reserved, 2026",
                         "The Tarnwick Workshop", "Pellingford"};
  int number = 2;
  for (const char* line : lines) d.add(rt::ControlKind::Prompt, number++, line).font = "Balloon";
  return d;
}

class SplashWindow : public rt::WindowController {
 public:
  SplashWindow() : WindowController(splashDesc(), "splash") {
    setTimer(800);
    for (int code : kCloseKeys) addAlertKey(code);
  }

  rt::Flow Setup() override {
    rt::setCurrentProcedure("splash");
    const rt::Flow f = WindowController::Setup();
    if (f == rt::Flow::Fatal) return f;
    window()->setIcon("~tw.ico");
    return f;
  }

  void BeginWork() override {
    WindowController::BeginWork();
    inputsAtOpen_ = rt::userInputs();
    // Centred on the screen until the user has moved it.
    if (rt::iniGet("splash", "XPos", "").empty()) {
      if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QWidget* top = window()->topLevel();
        top->move(s->availableGeometry().center() - top->rect().center());
      }
    }
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = WindowController::OnWindowEvent();
    if (f != rt::Flow::Continue || closing()) return f;
    const bool closeKey =
        eventKind() == rt::EventKind::AlertKey &&
        std::find(std::begin(kCloseKeys), std::end(kCloseKeys), keyCode()) != std::end(kCloseKeys);
    if (closeKey || eventKind() == rt::EventKind::Timer || lostToTheUser())
      window()->post(rt::EventKind::CloseWindow);
    return f;
  }

  // The window manager moves the focus by itself while the programs' first windows come
  // up; only a loss that goes with something the user did ends the splash early. The
  // click that moves the focus can reach the program just after the loss, so a loss
  // without one is looked at once more a moment later.
  bool lostToTheUser() {
    if (eventKind() != rt::EventKind::LoseFocus) return false;
    if (rt::userInputs() != inputsAtOpen_) return true;
    if (!rechecked_) {
      rechecked_ = true;
      rt::Window* w = window();
      QTimer::singleShot(kRecheckMs, w, [w] {
        if (!w->widget()->isActiveWindow()) w->post(rt::EventKind::LoseFocus);
      });
    }
    return false;
  }

  rt::Flow Teardown() override {
    const rt::Flow f = WindowController::Teardown();
    rt::setCurrentProcedure("");
    return f;
  }

 private:
  static constexpr int kCloseKeys[] = {rt::key::MouseLeft, rt::key::MouseLeft2,
                                       rt::key::MouseRight};
  static constexpr int kRecheckMs = 300;
  std::uint64_t inputsAtOpen_ = 0;
  bool rechecked_ = false;
};

}  // namespace

void splash() {
  SplashWindow w;
  w.Run();
}
