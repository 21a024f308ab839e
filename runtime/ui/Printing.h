// The program-wide printer that reports print on, and its set-up dialog.
#pragma once

class QPrinter;

namespace rt {

QPrinter& programPrinter();
// The printer set-up dialog, waiting on the calling procedure thread only. The choice is
// kept in programPrinter(); false when the user cancelled.
bool PrinterSetup();
// The print dialog before printing: the printer, the copies, ... chosen in programPrinter();
// false when the user cancelled.
bool PrintDialog();

}  // namespace rt
