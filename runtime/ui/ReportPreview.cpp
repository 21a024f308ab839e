// The report controller (progress window, then preview) and the print preview window.
#include <QAbstractListModel>
#include <QHBoxLayout>
#include <QImage>
#include <QListView>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <list>
#include <map>

#include "runtime/data/FileRelations.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Printing.h"
#include "runtime/ui/Process.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/ReportRead.h"

namespace rt {

namespace {

// The controls of the preview.
enum : int {
  kPage = 1,  // the region holding the thumbnails and the page
  kFirst = 10,
  kPrevious,
  kNext,
  kLast,
  kZoomIn,
  kZoomOut,
  kThumbnails,
  kPageText = 20,
  kPagesPrompt = 21,
  kPages,
  kPrint = 30,
  kSavePdf,
  kClose,
};

constexpr int kZooms[] = {25, 50, 75, 100, 125, 150, 200, 300};
constexpr int kDefaultZoom = 3;  // 100%
constexpr int kThumbWidth = 120;

// A page drawn into an image at a scale (pixels per inch).
QImage renderPage(const ReportDocument& doc, int page, double ppi) {
  const ReportPage& pg = doc.table().page;
  const int w = pg.landscape ? pg.height : pg.width, h = pg.landscape ? pg.width : pg.height;
  QImage img(std::max(1, static_cast<int>(w * ppi / 1000)),
             std::max(1, static_cast<int>(h * ppi / 1000)), QImage::Format_RGB32);
  img.fill(Qt::white);
  img.setDotsPerMeterX(static_cast<int>(ppi / 0.0254));
  img.setDotsPerMeterY(static_cast<int>(ppi / 0.0254));
  QPainter p(&img);
  doc.drawPage(page, p);
  return img;
}

// The page shown: drawn once per page and zoom, then only copied on the screen.
class PageWidget : public QWidget {
 public:
  explicit PageWidget(const ReportDocument& doc) : doc_(doc) {}
  void show(int page, int zoom) {
    page_ = page;
    zoom_ = zoom;
    image_ = renderPage(doc_, page, logicalDpiX() * zoom / 100.0);
    setFixedSize(image_.size());
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.drawImage(0, 0, image_);
  }

 private:
  const ReportDocument& doc_;
  int page_ = 0, zoom_ = 100;
  QImage image_;
};

// The thumbnails, drawn when they come into view, the latest few hundred kept.
class ThumbModel : public QAbstractListModel {
 public:
  explicit ThumbModel(const ReportDocument& doc) : doc_(doc) {}
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : doc_.pageCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const int page = index.row() + 1;
    if (role == Qt::DisplayRole) return QString::number(page);
    if (role != Qt::DecorationRole) return {};
    auto it = cache_.find(page);
    if (it == cache_.end()) {
      const double ppi = kThumbWidth * 1000.0 / doc_.table().page.width;
      it = cache_.emplace(page, renderPage(doc_, page, ppi)).first;
      order_.push_back(page);
      if (order_.size() > 200) {
        cache_.erase(order_.front());
        order_.pop_front();
      }
    }
    return it->second;
  }

 private:
  const ReportDocument& doc_;
  mutable std::map<int, QImage> cache_;
  mutable std::list<int> order_;
};

WindowDesc previewDesc(const ReportTable& t) {
  WindowDesc d;
  d.kind = WindowKind::Dialog;
  d.title = std::string("Print Preview - ") + t.title;
  d.icon = t.context->icon;
  d.width = 900;
  d.height = 980;
  d.add(ControlKind::Button, kFirst, "&First");
  d.add(ControlKind::Button, kPrevious, "P&revious");
  d.add(ControlKind::Button, kNext, "&Next");
  d.add(ControlKind::Button, kLast, "&Last");
  d.add(ControlKind::Button, kZoomIn, "Zoom &In");
  d.add(ControlKind::Button, kZoomOut, "Zoom &Out");
  d.add(ControlKind::Button, kThumbnails, "&Thumbnails");
  d.add(ControlKind::Prompt, kPageText);
  d.add(ControlKind::Region, kPage).height = 700;
  d.add(ControlKind::Prompt, kPagesPrompt, "Pages To Print:");
  ControlDesc& pages = d.entry(kPages, "@s80");
  pages.tip = "Pages or ranges to print or save, such as 1-3,5 (blank: every page)";
  d.add(ControlKind::Button, kPrint, "&Print");
  d.add(ControlKind::Button, kSavePdf, "Save as P&DF");
  d.add(ControlKind::Button, kClose, "&Close").cancelButton = true;
  return d;
}

// The open previews' documents, for the tests' reading of their pages.
std::map<const Window*, const ReportDocument*>& previews() {
  static std::map<const Window*, const ReportDocument*> open;
  return open;
}

class ReportPreviewer : public WindowController {
 public:
  ReportPreviewer(const ReportDocument& doc)
      : WindowController(previewDesc(doc.table()), doc.table().previewSection), doc_(doc) {
    setPositionSection(doc.table().previewSection);
  }

  void BeginWork() override {
    WindowController::BeginWork();
    Window& w = *window();
    previews()[&w] = &doc_;
    auto* box = new QHBoxLayout(w.control(kPage));
    box->setContentsMargins(0, 0, 0, 0);
    thumbs_ = new QListView;
    model_ = std::make_unique<ThumbModel>(doc_);
    thumbs_->setModel(model_.get());
    thumbs_->setUniformItemSizes(true);
    thumbs_->setViewMode(QListView::IconMode);  // the page number under its picture
    thumbs_->setFlow(QListView::TopToBottom);
    thumbs_->setWrapping(false);
    thumbs_->setMovement(QListView::Static);
    thumbs_->setIconSize(QSize(kThumbWidth, kThumbWidth * doc_.table().page.height /
                                                std::max(1, doc_.table().page.width)));
    thumbs_->setFixedWidth(kThumbWidth + 50);
    thumbs_->hide();
    QObject::connect(thumbs_, &QListView::clicked, thumbs_,
                     [this](const QModelIndex& i) { go(i.row() + 1); });
    scroll_ = new QScrollArea;
    scroll_->setAlignment(Qt::AlignHCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    page_ = new PageWidget(doc_);
    scroll_->setWidget(page_);
    box->addWidget(thumbs_);
    box->addWidget(scroll_, 1);
    go(1);
  }

  Flow Teardown() override {
    previews().erase(window());
    return WindowController::Teardown();
  }

  Flow OnAccepted() override {
    switch (control()) {
      case kFirst:
        go(1);
        break;
      case kPrevious:
        go(page_number_ - 1);
        break;
      case kNext:
        go(page_number_ + 1);
        break;
      case kLast:
        go(doc_.pageCount());
        break;
      case kZoomIn:
        zoom_ = std::min<int>(zoom_ + 1, std::size(kZooms) - 1);
        go(page_number_);
        break;
      case kZoomOut:
        zoom_ = std::max(zoom_ - 1, 0);
        go(page_number_);
        break;
      case kThumbnails:
        thumbs_->setVisible(!thumbs_->isVisible());
        break;
      case kPrint:
        if (auto pages = chosenPages()) print(*pages);
        break;
      case kSavePdf:
        if (auto pages = chosenPages()) savePdf(*pages);
        break;
      default:
        return WindowController::OnAccepted();
    }
    return Flow::Cycle;
  }

 private:
  void go(int page) {
    page_number_ = std::clamp(page, 1, std::max(1, doc_.pageCount()));
    page_->show(page_number_, kZooms[zoom_]);
    window()->setText(kPageText, "Page " + std::to_string(page_number_) + " of " +
                                     std::to_string(doc_.pageCount()));
    const QModelIndex i = model_->index(page_number_ - 1);
    thumbs_->setCurrentIndex(i);
    scroll_->verticalScrollBar()->setValue(0);
  }

  std::optional<std::vector<int>> chosenPages() {
    Window& w = *window();
    w.updateValue(kPages);
    auto pages = parsePageList(w.text(kPages), doc_.pageCount());
    if (!pages) {
      ShowMessageBox("Pages To Print takes page numbers and ranges such as 1-3,5 (from 1 to " +
                         std::to_string(doc_.pageCount()) + ").",
                     "Pages To Print");
      w.selectControl(kPages);
    }
    return pages;
  }

  void print(const std::vector<int>& pages) {
    QPrinter& printer = programPrinter();
    const ReportPage& pg = doc_.table().page;
    // The paper the report is laid out for, unless the user picks another one.
    printer.setPageSize(QPageSize(QSizeF(pg.width / 1000.0, pg.height / 1000.0), QPageSize::Inch));
    printer.setPageOrientation(pg.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!PrintDialog()) return;
    printer.setFullPage(true);
    QPainter p;
    if (!p.begin(&printer)) {
      ShowMessageBox("The printer could not be opened.", "Print");
      return;
    }
    bool first = true;
    for (int n : pages) {
      if (!first) printer.newPage();
      first = false;
      doc_.drawPage(n, p);
    }
    p.end();
  }

  void savePdf(const std::vector<int>& pages) {
    FileDialogRequest r;
    r.title = "Save as PDF";
    r.masks = "PDF files|*.pdf|All files|*.*";
    r.file = std::string(doc_.table().title) + ".pdf";
    r.save = true;
    const auto files = FileDialog(r);
    if (files.empty()) return;
    if (!doc_.writePdf(files.front(), pages))
      ShowMessageBox("The file " + files.front() + " could not be written.", "Save as PDF");
  }

  const ReportDocument& doc_;
  int page_number_ = 1;
  int zoom_ = kDefaultZoom;
  QListView* thumbs_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  PageWidget* page_ = nullptr;
  std::unique_ptr<ThumbModel> model_;
};

}  // namespace

const ReportDocument* previewDocument(const Window* preview) {
  auto it = previews().find(preview);
  return it == previews().end() ? nullptr : it->second;
}

int RunReport(const ReportTable& table) {
  checkReport(table);
  takeCallRequest();
  std::vector<FileRelations*> opened;
  for (FileRelations** r : table.relations) {
    if ((*r)->OpenFiles() == Status::Ok) opened.push_back(*r);
    (*r)->SetDriverOption("QUICKSCAN=on", true);  // a read-ahead hint; SQLite reads ahead anyway
  }
  std::unique_ptr<ReportDocument> doc;
  {
    ProgressWindow progress("Progress...", table.procedure);
    progress.desc().icon = table.context->icon;
    if (progress.Setup() != Flow::Fatal) {
      progress.Step(0);
      doc = progress.cancelled()
                ? nullptr
                : readReport(table, [&](int percent) { return progress.Step(percent); });
      progress.Teardown();
    }
  }
  if (table.closed) table.closed();
  int response = RequestCancelled;
  if (doc) {
    ReportPreviewer preview(*doc);
    preview.Run();
    response = RequestCompleted;
  }
  for (FileRelations* r : opened) r->CloseFiles();
  setCallResponse(response);
  return response;
}

}  // namespace rt
