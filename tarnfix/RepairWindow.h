// The window of the repair utility: the results of the last run and the two buttons. A
// dialog, so that Enter presses "Check and Repair" and Escape closes it.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace tarnfix {

class RepairWindow : public QDialog {
 public:
  RepairWindow();

 private:
  void run();

  QListWidget* results_;
  QPushButton* check_;
  QPushButton* close_;
};

}  // namespace tarnfix
