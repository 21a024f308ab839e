#include "runtime/ui/MessageBox.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <map>
#include <memory>

#include "runtime/proc/Events.h"
#include "runtime/proc/ProgramLife.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {
namespace {

std::string_view clipped(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

QString lines(std::string_view text) {
  return qtText(clipped(text)).replace('|', '\n');
}

struct StandardButton {
  int value;
  QMessageBox::StandardButton qt;
};
constexpr StandardButton kButtons[] = {
    {button::Ok, QMessageBox::Ok},         {button::Yes, QMessageBox::Yes},
    {button::No, QMessageBox::No},         {button::Cancel, QMessageBox::Cancel},
    {button::Abort, QMessageBox::Abort},   {button::Retry, QMessageBox::Retry},
    {button::Ignore, QMessageBox::Ignore},
};

QMessageBox::Icon qtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Hand:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

std::vector<QMessageBox*>& boxes() {
  static std::vector<QMessageBox*> b;
  return b;
}

std::vector<QFileDialog*>& fileDialogs() {
  static std::vector<QFileDialog*> d;
  return d;
}

// A box is as wide as its text needs, which can cut its caption in the title bar ("Par...
// File"); a spacer as wide as the caption plus the title bar's buttons keeps it whole.
void fitCaption(QMessageBox* box) {
  auto* grid = qobject_cast<QGridLayout*>(box->layout());
  if (!grid || box->windowTitle().isEmpty()) return;
  constexpr int kTitleBarButtons = 140;
  const int width =
      QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) * 5 / 4 + kTitleBarButtons;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

// Without a window to stand in front of, the window system ties a dialog to a hidden window
// of the program's, and a click on the frame puts it out of sight behind the frame.
void standInFrontOfOwner(QWidget* dialog) {
  QWidget* owner = dialogOwner();
  if (!owner || owner == dialog) return;
  dialog->winId();  // the native window, to carry the tie
  if (QWindow* w = dialog->windowHandle()) w->setTransientParent(owner->windowHandle());
}

// Shows box, blocks the caller's windows on this thread, and waits for a button.
// results maps each button to what the caller returns.
int runBox(QMessageBox* box, const std::map<QAbstractButton*, int>& results, int onClose) {
  const int thread = currentThread();
  std::unique_ptr<QMessageBox> owner(box);
  int result = 0;
  QObject::connect(box, &QMessageBox::buttonClicked, box, [&, thread](QAbstractButton* b) {
    auto it = results.find(b);
    result = it == results.end() ? onClose : it->second;
    wake(thread);
  });
  QObject::connect(box, &QDialog::rejected, box, [&, thread] {
    if (result == 0) result = onClose;
    wake(thread);
  });
  standInFrontOfOwner(box);
  ModalScope scope;
  fitCaption(box);
  box->setWindowModality(Qt::NonModal);
  box->show();
  registerRuntimeDialog(box, thread);
  boxes().push_back(box);
  // A close posted to the thread closes the box, the window on top of it.
  waitUntil([&] {
    if (result == 0 && takeUntargeted(EventKind::CloseWindow)) result = onClose;
    return result != 0;
  });
  std::erase(boxes(), box);
  unregisterRuntimeDialog(box);
  box->hide();
  return result;
}

}  // namespace

int ShowMessageBox(std::string_view text, std::string_view caption, MessageIcon icon, int buttons,
                   int defaultButton) {
  if ((buttons & (button::Ok | button::Yes | button::No | button::Cancel | button::Abort |
                  button::Retry | button::Ignore)) == 0)
    buttons = button::Ok;
  auto* box = new QMessageBox(qtIcon(icon), qtText(clipped(caption)), lines(text));
  std::map<QAbstractButton*, int> results;
  int onClose = 0;
  for (const StandardButton& b : kButtons) {
    if (!(buttons & b.value)) continue;
    QAbstractButton* qb = box->addButton(b.qt);
    results[qb] = b.value;
    if (b.value == defaultButton) box->setDefaultButton(static_cast<QPushButton*>(qb));
  }
  for (int escape : {button::Cancel, button::No, button::Ok, button::Abort})
    if (!onClose && (buttons & escape)) onClose = escape;
  if (!onClose) onClose = results.begin()->second;
  for (const auto& [qb, value] : results)
    if (value == onClose) box->setEscapeButton(qb);
  return runBox(box, results, onClose);
}

int ShowMessageBox(std::string_view text, std::string_view caption, MessageIcon icon,
                   std::string_view buttonTexts, int defaultButton) {
  auto* box = new QMessageBox(qtIcon(icon), qtText(clipped(caption)), lines(text));
  std::map<QAbstractButton*, int> results;
  int n = 0;
  QAbstractButton* last = nullptr;
  for (const QString& t : qtText(buttonTexts).split('|')) {
    QPushButton* b = box->addButton(t, QMessageBox::ActionRole);
    results[b] = ++n;
    last = b;
    if (n == defaultButton) box->setDefaultButton(b);
  }
  box->setEscapeButton(last);
  return runBox(box, results, n);
}

void StopProgram(std::string_view text) {
  std::string message(clipped(text));
  message += "||Exit the program?";
  if (ShowMessageBox(message, "Stop", MessageIcon::Hand, button::Yes | button::No, button::No) !=
      button::Yes)
    return;
  for (Window* w : openWindows()) w->close();
  endProgram(0);
}

std::vector<QMessageBox*> openMessageBoxes() {
  return boxes();
}

bool pressMessageBoxButton(QMessageBox* box, int buttonValue) {
  for (const StandardButton& b : kButtons) {
    if (b.value != buttonValue) continue;
    if (QAbstractButton* qb = box->button(b.qt)) {
      qb->click();
      return true;
    }
  }
  return false;
}

bool pressMessageBoxButton(QMessageBox* box, std::string_view text) {
  const QString want = qtText(text).remove('&');
  for (QAbstractButton* b : box->buttons()) {
    if (QString(b->text()).remove('&').compare(want, Qt::CaseInsensitive) == 0) {
      b->click();
      return true;
    }
  }
  return false;
}

std::string qtFileFilter(std::string_view masks) {
  const QStringList parts = qtText(clipped(masks)).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == "*.*") p = "*";
    }
    filters << parts[i].trimmed() + " (" + patterns.join(' ') + ")";
  }
  return storedText(filters.join(";;"));
}

std::vector<std::string> FileDialog(const FileDialogRequest& r) {
  const int thread = currentThread();
  std::string dir(clipped(r.directory));
  for (char& c : dir)
    if (c == '\\') c = '/';
  auto dialog = std::make_unique<QFileDialog>(nullptr, qtText(r.title),
                                              dir.empty() ? QDir::currentPath() : qtText(dir));
  QFileDialog* d = dialog.get();
  d->setOption(QFileDialog::DontUseNativeDialog);
  d->setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (r.directoryOnly)
    d->setFileMode(QFileDialog::Directory);
  else if (r.save)
    d->setFileMode(QFileDialog::AnyFile);
  else
    d->setFileMode(r.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!clipped(r.masks).empty()) d->setNameFilter(qtText(qtFileFilter(r.masks)));
  if (!clipped(r.file).empty()) d->selectFile(qtText(clipped(r.file)));
  bool done = false;
  QObject::connect(d, &QDialog::finished, d, [&, thread](int) {
    done = true;
    wake(thread);
  });
  standInFrontOfOwner(d);
  ModalScope scope;
  d->setWindowModality(Qt::NonModal);
  d->show();
  registerRuntimeDialog(d, thread);
  fileDialogs().push_back(d);
  waitUntil([&] {
    if (!done && takeUntargeted(EventKind::CloseWindow)) d->reject();
    return done;
  });
  std::erase(fileDialogs(), d);
  unregisterRuntimeDialog(d);
  std::vector<std::string> out;
  if (d->result() == QDialog::Accepted)
    for (const QString& f : d->selectedFiles()) out.push_back(storedText(f));
  return out;
}

std::vector<QFileDialog*> openFileDialogs() {
  return fileDialogs();
}

}  // namespace rt
