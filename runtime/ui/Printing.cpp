#include "runtime/ui/Printing.h"

#include <QPrintDialog>
#include <QPrinter>
#include <memory>

#include "runtime/proc/Events.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {

QPrinter& programPrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

namespace {

bool runPrintDialog(const QString& title) {
  const int thread = currentThread();
  auto dialog = std::make_unique<QPrintDialog>(&programPrinter());
  QPrintDialog* d = dialog.get();
  d->setWindowTitle(title);
  bool done = false;
  QObject::connect(d, &QDialog::finished, d, [&, thread](int) {
    done = true;
    wake(thread);
  });
  ModalScope scope;
  d->setWindowModality(Qt::NonModal);
  d->show();
  registerRuntimeDialog(d, thread);
  waitUntil([&] {
    if (!done && takeUntargeted(EventKind::CloseWindow)) d->reject();
    return done;
  });
  unregisterRuntimeDialog(d);
  return d->result() == QDialog::Accepted;
}

}  // namespace

bool PrinterSetup() {
  return runPrintDialog(QStringLiteral("Print Setup"));
}

bool PrintDialog() {
  return runPrintDialog(QStringLiteral("Print"));
}

}  // namespace rt
