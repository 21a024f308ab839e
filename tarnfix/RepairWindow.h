// The window of the repair utility: the results of the last run and the two buttons.
#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

namespace tarnfix {

class RepairWindow : public QWidget {
 public:
  RepairWindow();

 private:
  void run();

  QListWidget* results_;
  QPushButton* check_;
  QPushButton* close_;
};

}  // namespace tarnfix
