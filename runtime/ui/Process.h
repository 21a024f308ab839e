// The progress window of reports and batch processes, and the batch process itself: a walk
// over a view that hands each record to a step, in slices so that other windows stay live.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "runtime/ui/Report.h"
#include "runtime/ui/WindowController.h"

namespace rt {

// "Progress..." or "Processing Records": a bar (1), two texts (2, 3) and "Cancel" (4). Its
// position is kept under the procedure's section.
class ProgressWindow : public WindowController {
 public:
  static constexpr int kBar = 1;
  static constexpr int kText = 2;
  static constexpr int kPercent = 3;
  static constexpr int kCancel = 4;

  ProgressWindow(std::string title, std::string procedure);
  // Shows the percent done, lets the other threads and windows run once, and answers false
  // once Cancel was pressed or the window was closed.
  bool Step(int percent);
  bool cancelled() const { return cancelled_; }

 private:
  bool cancelled_ = false;
};

class View;

// A batch process: every record of the view is loaded as the file's current record (so the
// step may PUT it) and handed to OnRecord, a slice of records between two looks at the
// window. The window closes itself at the end.
class RecordProcessor {
 public:
  RecordProcessor(const TableContext& context, std::string procedure, ReportView view);
  virtual ~RecordProcessor();
  RecordProcessor(const RecordProcessor&) = delete;
  RecordProcessor& operator=(const RecordProcessor&) = delete;

  // The current record is in the buffer. Fatal stops the walk (as Cancel does).
  virtual Flow OnRecord() = 0;
  // Around each slice, so its changes can be one group: false from BeginSlice stops the walk
  // before the slice; EndSlice hears whether every record of it was handed over.
  virtual bool BeginSlice() { return true; }
  virtual bool EndSlice(bool whole) {
    (void)whole;
    return true;
  }

  // The window's status line (empty by default).
  void setStatus(std::string text) { status_ = std::move(text); }

  void setSlice(std::size_t records) { slice_ = records ? records : 1; }
  // RequestCompleted when every record was handed over, else RequestCancelled.
  int Run();
  long processed() const { return processed_; }

 private:
  const TableContext& context_;
  std::string procedure_;
  ReportView view_;
  std::string status_;
  std::size_t slice_ = 50;
  long processed_ = 0;
};

}  // namespace rt
