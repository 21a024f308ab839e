#include "runtime/ui/Help.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/ui/Placement.h"

namespace rt {
namespace {

QUrl urlOf(const QString& page) {
  if (page.startsWith(":/")) return QUrl("qrc" + page);
  return QUrl::fromLocalFile(page);
}

QString readPage(const QUrl& url) {
  QFile f(url.scheme() == "qrc" ? ":" + url.path() : url.toLocalFile());
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

// The page view with the index of the book beside it: the topics of the contents page,
// narrowed to those whose title or text holds every word typed in the search field.
class HelpWindow : public QWidget {
 public:
  HelpWindow() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Help"));
    search_ = new QLineEdit;
    auto* label = new QLabel(QStringLiteral("&Search for:"));
    label->setBuddy(search_);
    topics_ = new QListWidget;
    page_ = new QTextBrowser;
    page_->setOpenExternalLinks(true);
    auto* split = new QSplitter;
    split->addWidget(topics_);
    split->addWidget(page_);
    split->setStretchFactor(1, 1);
    split->setSizes({170, 470});
    auto* find = new QHBoxLayout;
    find->addWidget(label);
    find->addWidget(search_, 1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(find);
    lay->addWidget(split, 1);
    connect(search_, &QLineEdit::textChanged, this, [this] { narrow(); });
    connect(search_, &QLineEdit::returnPressed, this,
            [this] { openTopic(topics_->currentItem()); });
    connect(topics_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openTopic(item); });
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    resize(640, 480);
  }

  QTextBrowser* page() const { return page_; }
  QLineEdit* search() const { return search_; }

  void setContents(const QUrl& contents) {
    if (contents == contents_) return;
    contents_ = contents;
    topics_->clear();
    QTextDocument doc;
    doc.setHtml(readPage(contents));
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
      for (auto f = b.begin(); !f.atEnd(); ++f) {
        const QTextCharFormat c = f.fragment().charFormat();
        if (!c.isAnchor() || c.anchorHref().isEmpty()) continue;
        auto* item = new QListWidgetItem(f.fragment().text().trimmed(), topics_);
        item->setData(Qt::UserRole, contents.resolved(QUrl(c.anchorHref())));
      }
    narrow();
  }

 private:
  void narrow() {
    const QStringList words = search_->text().toLower().split(u' ', Qt::SkipEmptyParts);
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < topics_->count(); ++i) {
      QListWidgetItem* item = topics_->item(i);
      const QString title = item->text().toLower();
      const bool match = std::all_of(words.begin(), words.end(), [&](const QString& w) {
        return title.contains(w) || textOf(item).contains(w);
      });
      item->setHidden(!match);
      if (match && !first) first = item;
    }
    topics_->setCurrentItem(first);
  }

  QString textOf(QListWidgetItem* item) {
    QVariant text = item->data(Qt::UserRole + 1);
    if (!text.isValid()) {
      QTextDocument doc;
      doc.setHtml(readPage(item->data(Qt::UserRole).toUrl()));
      text = doc.toPlainText().toLower();
      item->setData(Qt::UserRole + 1, text);
    }
    return text.toString();
  }

  void openTopic(QListWidgetItem* item) {
    if (item && !item->isHidden()) page_->setSource(item->data(Qt::UserRole).toUrl());
  }

  QLineEdit* search_;
  QListWidget* topics_;
  QTextBrowser* page_;
  QUrl contents_;
};

struct HelpState {
  std::function<QString(std::string_view)> pageOf;
  QPointer<HelpWindow> window;
};

HelpState& help() {
  static HelpState h;
  return h;
}

void bringUp(QWidget* w) {
  w->show();
  w->raise();
  w->activateWindow();
}

// The help window at the page, made (and placed as a new window is) when none is open.
HelpWindow* openHelp(std::string_view procedure) {
  HelpState& h = help();
  if (!h.pageOf) return nullptr;
  const QString contents = h.pageOf({});
  QString page = procedure.empty() ? contents : h.pageOf(procedure);
  if (page.isEmpty()) page = contents;
  if (page.isEmpty()) return nullptr;
  if (!h.window) {
    // A plain window of its own: it belongs to no procedure thread and blocks nothing.
    h.window = new HelpWindow;
    placeCentred(h.window);
  }
  if (!contents.isEmpty()) h.window->setContents(urlOf(contents));
  h.window->page()->setSource(urlOf(page));
  bringUp(h.window);
  return h.window;
}

}  // namespace

void setHelpBook(std::function<QString(std::string_view)> pageOf) {
  help().pageOf = std::move(pageOf);
}

void showHelp(std::string_view procedure) {
  if (HelpWindow* w = openHelp(procedure)) w->page()->setFocus();
}

void showHelpSearch() {
  HelpWindow* w = help().window;
  if (w)
    bringUp(w);
  else
    w = openHelp({});
  if (!w) return;
  w->search()->setFocus();
  w->search()->selectAll();
}

QWidget* helpWindow() {
  return help().window;
}

QTextBrowser* helpBrowser() {
  return help().window ? help().window->page() : nullptr;
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
