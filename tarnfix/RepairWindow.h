// The window of the repair utility: the results of the last run, their details on request,
// and the buttons. A dialog, so that Enter presses "Check and Repair" and Escape closes it.
#pragma once

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tarnfix {

class RepairWindow : public QDialog {
 public:
  RepairWindow();

 private:
  void run();

  QListWidget* results_;
  QPlainTextEdit* details_;  // SQLite's findings, shown on request
  QPushButton* showDetails_;
  QPushButton* check_;
  QPushButton* close_;
};

}  // namespace tarnfix
