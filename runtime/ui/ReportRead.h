// The engine's side of a report, shared by the report window, the batch process and the
// document reader: a resolved view and the reading of a report with a progress measure.
#pragma once

#include <functional>
#include <memory>

#include "runtime/data/View.h"
#include "runtime/ui/Report.h"

namespace rt {

// The view of a report table, resolved against its context (throws std::logic_error).
std::unique_ptr<View> makeReportView(const TableContext& context, std::string_view procedure,
                                     const ReportView& view);

// How far a walk of a view has come, in percent: the records read against RECORDS of the
// file, or the place of a text field's value in the alphabet.
class ProgressMeasure {
 public:
  ProgressMeasure(const TableContext& context, std::string_view procedure, const ReportView& view);
  int percent(long read) const;  // with the record just read in the buffer

 private:
  long total_ = 0;
  const char* text_ = nullptr;
  std::size_t width_ = 0;
};

// Reads the report; step is called with the percent done after every slice of records and
// stops the reading (nullptr returned) when it answers false.
std::unique_ptr<ReportDocument> readReport(const ReportTable& table,
                                           const std::function<bool(int percent)>& step);

}  // namespace rt
