#include "runtime/ui/Help.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace rt {
namespace {

struct HelpState {
  std::function<QString(std::string_view)> pageOf;
  QPointer<QTextBrowser> window;
};

HelpState& help() {
  static HelpState h;
  return h;
}

QUrl urlOf(const QString& page) {
  if (page.startsWith(":/")) return QUrl("qrc" + page);
  return QUrl::fromLocalFile(page);
}

}  // namespace

void setHelpBook(std::function<QString(std::string_view)> pageOf) {
  help().pageOf = std::move(pageOf);
}

void showHelp(std::string_view procedure) {
  HelpState& h = help();
  if (!h.pageOf) return;
  QString page = h.pageOf(procedure);
  if (page.isEmpty()) page = h.pageOf({});
  if (page.isEmpty()) return;
  if (!h.window) {
    // A plain window of its own: it belongs to no procedure thread and blocks nothing.
    h.window = new QTextBrowser;
    h.window->setAttribute(Qt::WA_DeleteOnClose);
    h.window->setOpenExternalLinks(true);
    h.window->setWindowTitle(QStringLiteral("Help"));
    h.window->resize(640, 480);
  }
  h.window->setSource(urlOf(page));
  h.window->show();
  h.window->raise();
}

QTextBrowser* helpWindow() {
  return help().window;
}

void editAction(EditAction action) {
  QWidget* w = QApplication::focusWidget();
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    switch (action) {
      case EditAction::Cut:
        e->cut();
        break;
      case EditAction::Copy:
        e->copy();
        break;
      case EditAction::Paste:
        e->paste();
        break;
    }
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    switch (action) {
      case EditAction::Cut:
        t->cut();
        break;
      case EditAction::Copy:
        t->copy();
        break;
      case EditAction::Paste:
        t->paste();
        break;
    }
  }
}

}  // namespace rt
