#include "runtime/ui/FormController.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cstring>

#include "runtime/text/FixedString.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"

namespace rt {

FormController::~FormController() = default;

void FormController::SetPrimary(FileManager& file, FileRelations* relations, int okControl) {
  primary_ = &file;
  relations_ = relations;
  ok_ = okControl;
}

void FormController::AddDropList(int control, KeyedFile& source, std::string_view field,
                                 char* target, std::size_t width) {
  dropLists_.push_back(
      {control, &source, source.desc().fieldIndex(field), Binding(target, width), width, {}});
}

std::string FormController::ActionText() const {
  switch (request()) {
    case Request::Insert:
      return texts_.insert;
    case Request::Change:
      return texts_.change;
    case Request::Delete:
      return texts_.remove;
    case Request::View:
      return texts_.view;
    default:
      return {};
  }
}

Flow FormController::PrimeRequest() {
  if (!primary_) return Flow::Continue;
  switch (request()) {
    case Request::Insert:
      if (primary_->PrimeRecord(primedByCaller_) != Status::Ok) {
        setResponse(RequestCancelled);
        return Flow::Fatal;
      }
      return Flow::Continue;
    case Request::Delete: {
      const Status s = relations_ ? relations_->DeleteRecord(true) : primary_->DeleteRecord(true);
      setResponse(s == Status::Ok ? RequestCompleted : RequestCancelled);
      return Flow::Fatal;
    }
    default:
      return Flow::Continue;
  }
}

Flow FormController::Setup() {
  const Request pending = takeCallRequest();
  if (request() == Request::None) setRequest(pending);
  primedByCaller_ = takeInsertPrimed();
  if (primary_) {
    if (const KeyedFile* f = primary_->keyedFile()) saved_ = f->bufferImage();
  }
  if (PrimeRequest() == Flow::Fatal) return Flow::Fatal;
  for (DropList& d : dropLists_) fillDropList(d);
  const Flow f = BrowseController::Setup();
  if (f == Flow::Fatal) return f;
  if (const std::string title = ActionText(); !title.empty()) window()->setTitle(title);
  return f;
}

void FormController::restoreSaved() {
  if (!primary_ || saved_.record.empty()) return;
  if (const KeyedFile* f = primary_->keyedFile()) f->loadBuffer(saved_);
}

Flow FormController::Teardown() {
  // A record reserved for this insert must not outlive it, even when the form stored another
  // record (one chosen in a select window) and so never wrote the reserved one.
  const bool reserved =
      primary_ && request() == Request::Insert && primary_->reservedPosition() != 0;
  if (response() != RequestCompleted) {
    if (reserved) primary_->CancelAutoNumber();
    if (request() == Request::Insert || request() == Request::Change) restoreSaved();
  } else if (reserved) {
    // Dropping it reads it into the buffer, which the caller still expects to hold what
    // was stored.
    const KeyedFile* f = primary_->keyedFile();
    const RecordImage stored = f ? f->bufferImage() : RecordImage{};
    primary_->CancelAutoNumber();
    if (f) f->loadBuffer(stored);
  }
  return BrowseController::Teardown();
}

bool FormController::settlePendingEdit() {
  Window* w = window();
  const int focused = w->focusedControl();
  if (!focused || focused == settling_ || w->controlKind(focused) != ControlKind::Entry)
    return false;
  auto* edit = qobject_cast<QLineEdit*>(w->control(focused));
  if (!edit || !edit->isModified()) return false;
  // The entry's accepted event runs first; OK comes again after it.
  edit->setModified(false);
  settling_ = focused;
  w->post(EventKind::Accepted, focused);
  w->post(EventKind::Accepted, control());
  return true;
}

Flow FormController::OnEvent() {
  const Event& ev = event();
  if (ev.kind == EventKind::Accepted && ev.control == toolbar::History) {
    RecallHistory();
    return Flow::Cycle;
  }
  if (ev.kind == EventKind::Accepted && window()) {
    // The pending edit settles before any OK code of the procedure runs.
    if (ok_ && ev.control == ok_) {
      if (settlePendingEdit()) return Flow::Cycle;
      settling_ = 0;
    }
    if (window()->controlKind(ev.control) == ControlKind::Entry) {
      if (auto* edit = qobject_cast<QLineEdit*>(window()->control(ev.control)))
        edit->setModified(false);
    }
    for (const DropList& d : dropLists_) {
      if (d.control != ev.control) continue;
      auto* box = qobject_cast<QComboBox*>(window()->control(d.control));
      const int i = box ? box->currentIndex() : -1;
      if (i < 0 || static_cast<std::size_t>(i) >= d.items.size()) break;
      d.target.set(Value(d.items[static_cast<std::size_t>(i)]));
      // Other controls on the same variable show the new value.
      for (int c : window()->controls())
        if (const Binding* b = window()->binding(c); b && b->address() == d.target.address())
          window()->display(c);
      break;
    }
  }
  return BrowseController::OnEvent();
}

Flow FormController::OnAccepted() {
  if (ok_ && control() == ok_) return CompleteRequest();
  return BrowseController::OnAccepted();
}

Flow FormController::PerformRequest() {
  if (!primary_) return Flow::Continue;
  Status s = Status::Ok;
  switch (request()) {
    case Request::Insert:
      s = primary_->reservedPosition() != 0 ? primary_->UpdateRecord() : primary_->InsertRecord();
      break;
    case Request::Change:
      s = primary_->UpdateRecord();
      break;
    default:
      break;
  }
  // The file manager has told the user why; the form stays open.
  return s == Status::Ok ? Flow::Continue : Flow::Cycle;
}

void FormController::RecallHistory() {
  Window* w = window();
  if (!w) return;
  const int focused = w->focusedControl();
  if (!historyControls_.empty() && std::find(historyControls_.begin(), historyControls_.end(),
                                             focused) == historyControls_.end())
    return;
  BrowseController::RecallHistory();
}

void FormController::RefreshItems() {
  BrowseController::RefreshItems();
  for (const DropList& d : dropLists_) showDropList(d);
}

void FormController::fillDropList(DropList& d) {
  d.items.clear();
  if (d.field < 0 || !d.source->isOpen()) return;
  const FieldDesc& f = d.source->desc().fields[static_cast<std::size_t>(d.field)];
  // The drop list's reads must not disturb the source file's buffer.
  const std::string keep(static_cast<const char*>(d.source->record()), d.source->desc().recordSize);
  View v(*d.source);
  v.setRecordOrder();
  constexpr std::size_t kPage = 256;
  for (auto rows = v.first(kPage); !rows.empty();) {
    for (const RecordImage& r : rows)
      d.items.emplace_back(clipView(r.record.data() + f.offset, f.size));
    if (rows.size() < kPage) break;
    const RecordImage last = rows.back();
    rows = v.after(last, kPage);
  }
  std::memcpy(d.source->record(), keep.data(), keep.size());
}

void FormController::showDropList(const DropList& d) {
  Window* w = window();
  auto* box = w ? qobject_cast<QComboBox*>(w->control(d.control)) : nullptr;
  if (!box) return;
  if (box->count() != static_cast<int>(d.items.size())) {
    box->clear();
    for (const std::string& item : d.items) box->addItem(qtText(item));
  }
  // The entry whose text the target holds, whole or cut to the target's width.
  const std::string current = textOf(d.target.get());
  int match = -1;
  for (std::size_t i = 0; i < d.items.size() && !current.empty(); ++i) {
    const std::string& item = d.items[i];
    if (item == current) {
      match = static_cast<int>(i);
      break;
    }
    if (match < 0 && item.size() > d.width) {
      std::string cut(d.width, ' ');
      assignPadded(cut.data(), d.width, item);
      if (clipView(cut.data(), d.width) == current) match = static_cast<int>(i);
    }
  }
  box->setCurrentIndex(match);
}

}  // namespace rt
