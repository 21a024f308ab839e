#include "tarnfix/RepairWindow.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/Resources.h"
#include "tarnfix/Repair.h"

namespace tarnfix {

RepairWindow::RepairWindow() {
  setWindowTitle(QStringLiteral("File Fixer Utility"));
  setWindowIcon(QIcon(rt::resourcePath("~tw.ico")));
  auto* intro = new QLabel(
      QStringLiteral("Checks every data file in %1 and rebuilds its keys.\n"
                     "Only orphaned records are removed (pages whose domain is gone, details "
                     "whose page is gone): a file that cannot be mended is reported and left "
                     "as it is.")
          .arg(QDir::toNativeSeparators(QDir::currentPath())));
  intro->setWordWrap(true);
  results_ = new QListWidget;
  results_->setObjectName(QStringLiteral("results"));
  // A result is read whole: long lines wrap to the list's width instead of being cut.
  results_->setWordWrap(true);
  results_->setTextElideMode(Qt::ElideNone);
  results_->setResizeMode(QListView::Adjust);
  results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  check_ = new QPushButton(QStringLiteral("Check and Repair"));
  close_ = new QPushButton(QStringLiteral("Close"));
  check_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(check_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(results_, 1);
  layout->addLayout(buttons);
  resize(560, 360);

  connect(check_, &QPushButton::clicked, this, &RepairWindow::run);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void RepairWindow::run() {
  results_->clear();
  check_->setEnabled(false);
  close_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto results = checkWorkingDirectory([this](const FileResult& r) {
    auto* item = new QListWidgetItem(QString::fromStdString(describe(r)), results_);
    if (r.outcome == Outcome::Problem) item->setForeground(Qt::darkRed);
    // Large files take a while: show each result as it comes.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  if (results.empty()) results_->addItem(QStringLiteral("No data files found."));
  results_->addItem(allSound(results) ? QStringLiteral("All data files are sound.")
                                      : QStringLiteral("Some data files need attention."));
  QApplication::restoreOverrideCursor();
  check_->setEnabled(true);
  close_->setEnabled(true);
}

}  // namespace tarnfix
