#include "admin/ControlPanel.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Globals.h"
#include "resources/Resources.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/TableWindows.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

enum {
  cBrowser = 1,
  cMail,
  cFtp,
  cGraphics,
  cHtml,
  cText,
  cNotes,
  cUser1,
  cUser2,
  cUser3,
};

// Two rows of five, 53 by 14 dialog units each, at two pixels to the unit.
constexpr int kColumn[] = {10, 120, 230, 340, 450};
constexpr int kRow[] = {4, 36};

rt::ControlRow button(int number, const char* text, int row, int column) {
  return {.number = number,
          .kind = K::Button,
          .text = text,
          .width = 106,
          .height = 28,
          .x = kColumn[column],
          .y = kRow[row]};
}

const rt::WindowTable& launcherTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "cpanel2",
      .title = "RuDerudoz Oridi: Tarnwick",
      .controls =
          {
              button(cBrowser, "Browser", 0, 0),
              button(cMail, "E-Mail", 0, 1),
              button(cFtp, "FTP", 0, 2),
              button(cGraphics, "Graphics Editor", 0, 3),
              button(cHtml, "HTML Editor", 0, 4),
              button(cText, "Text Editor", 1, 0),
              button(cNotes, "Notes", 1, 1),
              button(cUser1, "", 1, 2),
              button(cUser2, "", 1, 3),
              button(cUser3, "", 1, 4),
          },
      .disabled = {cBrowser, cMail, cFtp, cGraphics, cHtml, cText, cUser1, cUser2, cUser3},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"cpanel2", &launcherTable}};

// A program button: available while `shown` is not blank, runs `command`. The user buttons
// are shown by their captions and carry them as their texts.
struct ProgramButton {
  int control;
  std::string_view (*shown)();
  std::string_view (*command)();
  bool captioned;
};

template <auto& Global>
std::string_view clipped() {
  return Global.clip();
}

const ProgramButton kButtons[] = {
    {cHtml, &clipped<html>, &clipped<html>, false},
    {cText, &clipped<txted>, &clipped<txted>, false},
    {cFtp, &clipped<fftp>, &clipped<fftp>, false},
    {cBrowser, &clipped<brwsr>, &clipped<brwsr>, false},
    {cGraphics, &clipped<grphx>, &clipped<grphx>, false},
    {cUser1, &clipped<ubut1>, &clipped<usr1>, true},
    {cUser2, &clipped<ubut2>, &clipped<usr2>, true},
    {cMail, &clipped<mail>, &clipped<mail>, false},
    {cUser3, &clipped<ubut3>, &clipped<usr3>, true},
};

// The glove the launcher's buttons show, its fingertip as the hot spot.
QCursor glove() {
  constexpr const char* kName = "Glove.cur";
  const QImage image = QImage::fromData(rt::resourceBytes(kName), "cur");
  const std::optional<QPoint> hot = rt::cursorHotSpot(kName);
  if (image.isNull() || !hot) return QCursor(Qt::PointingHandCursor);
  return QCursor(QPixmap::fromImage(image), hot->x(), hot->y());
}

class Launcher : public rt::TableBrowse {
 public:
  Launcher() : TableBrowse(launcherTable()) {}

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = TableBrowse::OnWindowEvent();
    if (eventKind() == rt::EventKind::OpenWindow) {
      cpanelopen = "Y";
      const QCursor hand = glove();
      for (int c = cBrowser; c <= cUser3; ++c)
        if (QWidget* button = window()->control(c)) button->setCursor(hand);
      for (const ProgramButton& b : kButtons) {
        if (b.captioned) window()->setText(b.control, b.shown());
        if (!b.shown().empty()) window()->setEnabled(b.control, true);
      }
    } else if (eventKind() == rt::EventKind::CloseWindow) {
      cpanelopen = "N";
    }
    return f;
  }

  rt::Flow OnAccepted() override {
    const rt::Flow f = TableBrowse::OnAccepted();
    if (f != rt::Flow::Continue) return f;
    if (control() == cNotes) {
      if (ProcedureEntry notes = FindProcedure("BrowseNotes"))
        rt::START(notes, kSmallStack, "BrowseNotes");
      RefreshItems();
      return f;
    }
    for (const ProgramButton& b : kButtons) {
      if (b.control != control()) continue;
      if (!b.command().empty()) {
        const rt::RunOutcome run = rt::RUN(b.command());
        // A button that starts nothing would leave the user guessing.
        if (!run.started())
          rt::ShowMessageBox(
              "The program could not be started.||" + run.program + "||" + run.reason,
              launcherTable().title, rt::MessageIcon::Exclamation);
      }
      RefreshItems();
      // The program ran in the current directory; the data files and settings live in ours.
      rt::ChangeDirectory(mypath.clip());
    }
    return f;
  }
};

}  // namespace

void cpanel2() {
  Launcher w;
  w.Run();
}
