#include "runtime/ui/Process.h"

#include "runtime/data/Messages.h"
#include "runtime/data/View.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/ReportRead.h"

namespace rt {

namespace {

WindowDesc progressDesc(std::string title) {
  WindowDesc d;
  d.kind = WindowKind::Dialog;
  d.title = std::move(title);
  d.resizable = false;
  d.width = 360;
  d.height = 130;
  d.add(ControlKind::Progress, ProgressWindow::kBar);
  d.add(ControlKind::Prompt, ProgressWindow::kText);
  d.add(ControlKind::Prompt, ProgressWindow::kPercent, "0% Completed");
  d.add(ControlKind::Button, ProgressWindow::kCancel, "Cancel");
  return d;
}

}  // namespace

ProgressWindow::ProgressWindow(std::string title, std::string procedure)
    : WindowController(progressDesc(std::move(title)), std::move(procedure)) {}

bool ProgressWindow::Step(int percent) {
  if (Window* w = window(); w && w->isOpen()) {
    w->setValue(kBar, static_cast<double>(percent));
    w->setText(kPercent, std::to_string(percent) + "% Completed");
  }
  yieldToOthers();
  Event ev;
  while (window() && takeEvent(window()->id(), ev))
    if ((ev.kind == EventKind::Accepted && ev.control == kCancel) ||
        ev.kind == EventKind::CloseWindow)
      cancelled_ = true;
  return !cancelled_;
}

RecordProcessor::RecordProcessor(const TableContext& context, std::string procedure,
                                 ReportView view)
    : context_(context), procedure_(std::move(procedure)), view_(view) {}

RecordProcessor::~RecordProcessor() = default;

int RecordProcessor::Run() {
  processed_ = 0;
  auto view = makeReportView(context_, procedure_, view_);
  const ProgressMeasure measure(context_, procedure_, view_);
  KeyedFile& file = view->file();
  ProgressWindow progress("Processing Records", procedure_);
  if (progress.Setup() == Flow::Fatal) return RequestCancelled;
  progress.window()->setText(ProgressWindow::kText, status_);
  // A record that cannot be read is told and ends the run: the change it was due would
  // otherwise be missing without a word.
  auto readFailed = [&](ErrorState e) {
    if (e.code == ErrorCode::NoError) return false;
    const FileDesc& d = file.desc();
    reportFileFailure(d.label.empty() ? d.diskName : d.label, e);
    return true;
  };
  bool done = true;
  auto rows = view->first(slice_);
  if (readFailed(view->takeReadError())) done = false;
  while (done && !rows.empty()) {
    if (!BeginSlice()) {
      done = false;
      break;
    }
    for (const RecordImage& row : rows) {
      // Fresh from the file, as an earlier step may have changed it, and current for PUT.
      if (!file.getPosition(row.rowid)) {
        const ErrorCode c = errorCode();
        if (c == ErrorCode::NoRecord || c == ErrorCode::RecordNotAvailable) continue;  // gone
        readFailed(errors());
        done = false;
        break;
      }
      ++processed_;
      if (OnRecord() == Flow::Fatal) {
        done = false;
        break;
      }
    }
    if (!EndSlice(done)) done = false;
    if (done && !progress.Step(measure.percent(processed_))) done = false;
    if (done) rows = view->after(rows.back(), slice_);
    if (done && readFailed(view->takeReadError())) done = false;
  }
  progress.Teardown();
  return done ? RequestCompleted : RequestCancelled;
}

}  // namespace rt
