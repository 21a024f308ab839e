#include "tarnfix/RepairWindow.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/Resources.h"
#include "tarnfix/Repair.h"
#include "tarnfix/Salvage.h"

namespace tarnfix {

RepairWindow::RepairWindow() {
  setWindowTitle(QStringLiteral("File Fixer Utility"));
  setWindowIcon(QIcon(rt::resourcePath("~tw.ico")));
  auto* intro = new QLabel(
      QStringLiteral("Checks every data file in %1 and rebuilds its keys.\n"
                     "Only orphaned records are removed (pages whose domain is gone, details "
                     "whose page is gone). A file whose records cannot all be read is salvaged "
                     "into a fresh file if you agree; any other file that cannot be mended is "
                     "reported and left as it is.")
          .arg(QDir::toNativeSeparators(QDir::currentPath())));
  intro->setWordWrap(true);
  results_ = new QListWidget;
  results_->setObjectName(QStringLiteral("results"));
  // A result is read whole: long lines wrap to the list's width instead of being cut.
  results_->setWordWrap(true);
  results_->setTextElideMode(Qt::ElideNone);
  results_->setResizeMode(QListView::Adjust);
  results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  details_ = new QPlainTextEdit;
  details_->setObjectName(QStringLiteral("details"));
  details_->setReadOnly(true);
  details_->hide();
  showDetails_ = new QPushButton(QStringLiteral("Details"));
  showDetails_->setCheckable(true);
  showDetails_->setEnabled(false);
  check_ = new QPushButton(QStringLiteral("Check and Repair"));
  close_ = new QPushButton(QStringLiteral("Close"));
  check_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(showDetails_);
  buttons->addStretch();
  buttons->addWidget(check_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(results_, 1);
  layout->addWidget(details_, 1);
  layout->addLayout(buttons);
  resize(560, 360);

  connect(check_, &QPushButton::clicked, this, &RepairWindow::run);
  connect(showDetails_, &QPushButton::toggled, details_, &QWidget::setVisible);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void RepairWindow::run() {
  results_->clear();
  details_->clear();
  showDetails_->setChecked(false);
  showDetails_->setEnabled(false);
  check_->setEnabled(false);
  close_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Options options;
  options.salvage = [this](const FileResult& r) {
    QApplication::restoreOverrideCursor();
    const QString question =
        QStringLiteral(
            "%1 (%2) is damaged: some of its records cannot be read.\n\nSalvage every "
            "readable record into a fresh file of the same layout? The damaged file will be "
            "kept beside it as %3; records that cannot be read will be missing from the fresh "
            "file.")
            .arg(QString::fromStdString(r.label), QString::fromStdString(r.fileName),
                 QString::fromStdString(damagedName(r.fileName)));
    const bool yes =
        QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return yes;
  };
  const auto results = checkWorkingDirectory(
      [this](const FileResult& r) {
        auto* item = new QListWidgetItem(QString::fromStdString(describe(r)), results_);
        if (!allSound({r})) item->setForeground(Qt::darkRed);
        if (!r.details.empty()) {
          QString lines = QString::fromStdString(r.label + " (" + r.fileName + "):");
          for (const std::string& d : r.details) lines += "\n    " + QString::fromStdString(d);
          item->setToolTip(lines);
          details_->appendPlainText(lines);
          showDetails_->setEnabled(true);
        }
        // Large files take a while: show each result as it comes.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      },
      options);
  if (results.empty()) results_->addItem(QStringLiteral("No data files found."));
  results_->addItem(allSound(results) ? QStringLiteral("All data files are sound.")
                                      : QStringLiteral("Some data files need attention."));
  QApplication::restoreOverrideCursor();
  check_->setEnabled(true);
  close_->setEnabled(true);
}

}  // namespace tarnfix
