#include "pages/PageReading.h"

#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "dictionary/Dictionary.h"
#include "pages/HtmlTagRules.h"
#include "runtime/data/Errors.h"
#include "runtime/data/FileManager.h"
#include "runtime/data/Transaction.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Paths.h"
#include "runtime/text/Picture.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

namespace pagereading {

namespace {

const auto& kDetails = PageDetailFiles();
using Detail = PageDetail;

// WPI:LINENUMBER and WPF:LINENUMBER are SHORT: a longer page stops at the largest one.
std::int16_t shortLine(long line) {
  return static_cast<std::int16_t>(std::clamp<long>(line, 0, INT16_MAX));
}

void report(Detail d, rt::MessageId id) {
  (*kDetails[d].manager)->RaiseError(id);
}

// Fills the detail buffers from what the tag rules find and appends them. The first write
// that fails stops the writing; the run then reports it.
class DetailWriter final : public HtmlTagSink {
 public:
  void title(const HtmlTitle& t) override { WEB.HTMLPAGETITLE = t.title; }

  void image(const HtmlImage& i) override {
    WPI.WEBPAGEPATHNAME = WEB.PAGEPATH;
    WPI.DOMAINNAME = WEB.DOMAINNAME;
    WPI.PAGE = WEB.PAGENAME;
    WPI.CURRENTLYUSE = WEB.USENOW;
    WPI.WEBPAGEIMG = i.source;
    WPI.HEIGHT = i.height;
    WPI.WIDTH = i.width;
    WPI.IMAGEPATH = i.imagePath;
    WPI.LINENUMBER = shortLine(i.line);
    WEB.DATA2 = "Y";
    WPI.DATEENTERED = rt::TODAY();
    write(kImages);
  }

  void link(const HtmlLink& l) override {
    WPL.WEBPAGEPATHNAME = WEB.PAGEPATH;
    WPL.DOMAINNAME = WEB.DOMAINNAME;
    WPL.PAGENAME = WEB.PAGENAME;
    WPL.WEBPAGELINK = l.link;
    WPL.LINENUMBER = static_cast<double>(l.line);
    WEB.DATA1 = "Y";
    WPL.RECORDDATE = rt::TODAY();
    write(kLinks);
  }

  void meta(const HtmlMeta& m) override {
    WPM.WEBPAGEPATH = WEB.PAGEPATH;
    WPM.DOMAINNAME = WEB.DOMAINNAME;
    WPM.LOCALPATH = WEB.LOCALPATH;
    WPM.PAGENAME = WEB.PAGENAME;
    WPM.METACONTENTS = m.contents;
    WPM.METANAME = m.name;
    WEB.DATA3 = "Y";
    write(kMeta);
  }

  void script(const HtmlBlock& b) override {
    WPS.WEBPAGEPATHNAME = WEB.PAGEPATH;
    WPS.DOMAINNAME = WEB.DOMAINNAME;
    WPS.PAGENAME = WEB.PAGENAME;
    for (int n = 1; n <= HtmlBlock::kSlots; ++n) WPS.ScriptLine(n) = slot(b, n);
    WPS.RECORDDATE = rt::TODAY();
    WEB.DATA4 = "Y";
    write(kScripts);
  }

  void form(const HtmlBlock& b) override {
    WPF.WEBPAGEPATHNAME = WEB.PAGEPATH;
    WPF.DOMAINNAME = WEB.DOMAINNAME;
    WPF.PAGE = WEB.PAGENAME;
    for (int n = 1; n <= HtmlBlock::kSlots; ++n) WPF.FormLine(n) = slot(b, n);
    WPF.LINENUMBER = shortLine(b.line);
    WPF.RECORDDATE = rt::TODAY();
    WEB.DATA5 = "Y";
    write(kForms);
  }

  void pendingMessages() override { rt::yieldToOthers(); }

  bool failed() const { return failed_ >= 0; }
  Detail failedFile() const { return static_cast<Detail>(failed_); }
  const rt::ErrorState& error() const { return error_; }

 private:
  static std::string_view slot(const HtmlBlock& b, int n) {
    return n <= b.count ? b.lines[n - 1] : std::string_view("");
  }
  void write(Detail d) {
    if (failed()) return;
    if (kDetails[d].file->append()) return;
    failed_ = d;
    error_ = rt::errors();
  }
  int failed_ = -1;
  rt::ErrorState error_;
};

bool& busy() {
  static bool running = false;
  return running;
}

std::vector<int>& waiting() {
  static std::vector<int> threads;
  return threads;
}

}  // namespace

const std::array<PageDetailFile, kDetailCount>& PageDetailFiles() {
  static const std::array<PageDetailFile, kDetailCount> files = {{
      {&WPLinks, &WPLinksManager, WPL_PathName},
      {&WPScripts, &WPScriptsManager, WPS_PageNam},
      {&WPForm, &WPFormManager, WPF_PageName},
      {&WPIMG, &WPIMGManager, WPI_PageName},
      {&WPMeta, &WPMetaManager, WPM_PagePath},
  }};
  return files;
}

bool DeleteByLeadingKey(rt::KeyedFile& file, int key, std::string_view value,
                        const std::function<bool(bool matches)>& each) {
  const rt::FileDesc& desc = file.desc();
  const std::vector<int>& components = desc.keys[static_cast<std::size_t>(key)].components;
  char* record = static_cast<char*>(file.record());
  auto field = [&](std::size_t c) -> const rt::FieldDesc& {
    return desc.fields[static_cast<std::size_t>(components[c])];
  };
  // The walk starts at the first entry of the value: the key's other components blank.
  for (std::size_t c = 1; c < components.size(); ++c)
    std::memset(record + field(c).offset, field(c).type == rt::FieldType::String ? ' ' : 0,
                field(c).size);
  const rt::FieldDesc& lead = field(0);
  rt::assignPadded(record + lead.offset, lead.size, value);
  file.setKeyFrom(key);
  for (;;) {
    // A read that fails before the end leaves records of the value behind.
    if (!file.next()) return rt::errorCode() == rt::EndOfFile;
    const std::string_view found = rt::clipView(record + lead.offset, lead.size);
    if (!rt::equalsNoCase(found, value)) return true;
    const bool matches = found == value;
    if (!each(matches)) return false;
    if (matches && !file.erase()) return false;
  }
}

bool ClearDetailRecords(const PageDetailFile& d, std::string_view pagePath,
                        const std::function<void()>& visited) {
  return DeleteByLeadingKey(*d.file, d.key, pagePath, [&visited](bool) {
    visited();
    return true;
  });
}

std::string DateTimeText(std::int32_t date, std::int32_t time) {
  static const rt::Picture d1("d1"), t3("t3");
  return d1.format(rt::DateValue{date}) + " " + t3.format(rt::TimeValue{time});
}

void Progress::set(long n) {
  n_ = n;
  counttext = std::to_string(n);
}

void Redraw::draw(bool force) {
  const auto t = std::chrono::steady_clock::now();
  // Often enough to follow; a reading of many pages paints less, its window being most of
  // its cost otherwise.
  const auto spacing = std::chrono::milliseconds(manyPages_ ? 80 : 40);
  if (!force && t - last_ < spacing) return;
  last_ = t;
  const std::vector<rt::Window*> windows = rt::threadWindows(rt::currentThread());
  if (windows.empty()) return;
  rt::Window* w = windows.back();
  w->displayControls();
  if (QWidget* top = w->topLevel()) top->repaint();
}

OneRunAtATime::OneRunAtATime() {
  const int me = rt::currentThread();
  while (busy()) {
    waiting().push_back(me);
    rt::waitForEvent();
    std::erase(waiting(), me);
  }
  busy() = true;
}

OneRunAtATime::~OneRunAtATime() {
  busy() = false;
  for (int thread : waiting()) rt::wake(thread);
}

BulkWrites::BulkWrites(std::initializer_list<rt::KeyedFile*> files) : files_(files) {
  for (rt::KeyedFile* f : files_) f->send("BULKWRITE=on");
}

BulkWrites::~BulkWrites() {
  for (rt::KeyedFile* f : files_) f->send("BULKWRITE=off");
}

DetailFiles::DetailFiles() {
  for (std::size_t i = 0; i < kDetails.size(); ++i)
    opened_[i] = (*kDetails[i].manager)->TryOpen() == rt::Status::Ok;
}

DetailFiles::~DetailFiles() {
  for (std::size_t i = 0; i < kDetails.size(); ++i)
    if (opened_[i]) (*kDetails[i].manager)->CloseFile();
}

namespace {

enum class Opening { Writable, Held, Failed };

// Opens the file for a run that writes to it. A failure is reported at once; a file another
// program holds is closed again, its cause in `cause`, and left to the caller to tell.
Opening openForWriting(rt::FileManager& m, rt::ErrorCode& cause) {
  if (m.TryOpen() != rt::Status::Ok) {
    cause = rt::errorCode();  // taken before the message: its box lets other windows run
    m.RaiseError(rt::failureMessage(cause));
    return Opening::Failed;
  }
  if (!m.keyedFile()->isReadOnly()) return Opening::Writable;
  cause = m.readOnlyCause();
  m.CloseFile();
  return Opening::Held;
}

}  // namespace

bool OpenToWrite(rt::FileManager& m) {
  rt::ErrorCode cause = rt::ErrorCode::NoError;
  const Opening o = openForWriting(m, cause);
  if (o == Opening::Held) m.RaiseError(m.readOnlyNotice());
  return o == Opening::Writable;
}

OpenedFiles::OpenedFiles(std::initializer_list<rt::FileManager*> managers,
                         std::string_view notDone) {
  // Every file is tried, so that one message names all those another program holds.
  std::vector<rt::FileManager*> held;
  // Why, and the files it kept from being opened for writing ("WebPages, WPLinks").
  std::vector<std::pair<rt::ErrorCode, std::string>> failed;
  auto fail = [&failed](rt::ErrorCode cause, const std::string& label) {
    auto it = std::find_if(failed.begin(), failed.end(),
                           [cause](const auto& f) { return f.first == cause; });
    if (it == failed.end()) it = failed.insert(failed.end(), {cause, {}});
    it->second += (it->second.empty() ? "" : ", ") + label;
  };
  for (rt::FileManager* m : managers) {
    rt::ErrorCode cause = rt::ErrorCode::NoError;
    switch (openForWriting(*m, cause)) {
      case Opening::Writable:
        opened_.push_back(m);
        break;
      case Opening::Held:
        held.push_back(m);
        fail(cause, m->label());
        break;
      case Opening::Failed:
        fail(cause, m->label());
        break;
    }
  }
  if (!held.empty()) rt::reportNotWritable(held, notDone);
  ok_ = failed.empty();
  for (const auto& [cause, names] : failed)
    failed_ += (failed_.empty() ? "" : "; ") + names + ": " + std::string(rt::errorCodeText(cause));
  if (ok_) return;
  for (rt::FileManager* m : opened_) m->CloseFile();
  opened_.clear();
}

OpenedFiles::~OpenedFiles() {
  for (rt::FileManager* m : opened_) m->CloseFile();
}

bool OpenFile::open() {
  if (name_.empty()) {
    open_ = manager_->TryOpen() == rt::Status::Ok;
    return open_;
  }
  const std::function<std::string()> usual = manager_->fileNameSource();
  manager_->SetFileName([this] { return name_; });
  open_ = manager_->TryOpen() == rt::Status::Ok;
  manager_->SetFileName(usual);
  return open_;
}

void OpenFile::close() {
  if (open_) manager_->CloseFile();
  open_ = false;
}

struct TempCopy::File {
  rt::ClockTempFile temp;
};

TempCopy::TempCopy() = default;
TempCopy::~TempCopy() = default;

bool TempCopy::prepare() {
  if (!file_) {
    std::optional<rt::ClockTempFile> temp = rt::ClockTempFile::create();
    tempfilename = temp ? temp->name() : std::to_string(rt::CLOCK()) + ".txt";
    if (!temp) return false;
    file_ = std::make_unique<File>(File{std::move(*temp)});
    return true;
  }
  // One file for the run: a new file per page costs more than the page's reading.
  tempfilename = file_->temp.name();
  text_.clear();
  ends_.clear();
  return true;
}

void TempCopy::add(std::string_view record) {
  while (!record.empty() && record.back() == ' ') record.remove_suffix(1);
  text_ += record;
  ends_.push_back(text_.size());
}

std::string_view TempCopy::record(std::size_t i) const {
  const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

PageChange::PageChange(rt::FileManager* pages) : pages_(pages) {
  std::vector<rt::KeyedFile*> files;
  if (pages_) files.push_back(pages_->keyedFile());
  for (const PageDetailFile& d : kDetails) files.push_back(d.file);
  tx_ = std::make_unique<rt::Transaction>(files);
  if (!tx_->active()) failed_ = managerOf(tx_->failedFile());
}

PageChange::~PageChange() = default;

rt::FileManager* PageChange::commit() {
  if (tx_->commit()) return nullptr;
  return managerOf(tx_->failedFile());
}

rt::FileManager* PageChange::managerOf(const rt::KeyedFile* file) const {
  for (const PageDetailFile& d : kDetails)
    if (d.file == file) return *d.manager;
  return pages_ ? pages_ : *kDetails.front().manager;
}

bool PageGroup::begin() {
  change_ = std::make_unique<PageChange>(pages_);
  started_ = std::chrono::steady_clock::now();
  rt::FileManager* refused = change_->failed();
  if (!refused) return true;
  failed_ = true;
  change_.reset();
  refused->RaiseError(rt::MessageId::FileAccessError);
  return false;
}

bool PageGroup::due() const {
  // Also how often the other windows are let in.
  return std::chrono::steady_clock::now() - started_ >= std::chrono::milliseconds(50);
}

bool PageGroup::commit() {
  rt::FileManager* refused = change_ ? change_->commit() : nullptr;
  change_.reset();
  if (!refused) return true;
  failed_ = true;
  failure_ = rt::errors().text;
  refused->RaiseError(notCommitted_);
  return false;
}

PageResult ReplacePageDetails(OpenFile& page, TempCopy& temp, Progress& progress, Redraw& redraw,
                              const std::function<bool(long lines)>& store,
                              rt::FileManager* pages) {
  for (auto* flag : {&WEB.DATA1, &WEB.DATA2, &WEB.DATA3, &WEB.DATA4, &WEB.DATA5}) flag->clear();
  statustext = kClearing;
  redraw.page();
  PageChange change(pages);
  if (rt::FileManager* failed = change.failed()) {
    failed->RaiseError(rt::MessageId::FileAccessError);
    return {};
  }
  for (std::size_t i = 0; i < kDetails.size(); ++i) {
    if (!ClearDetailRecords(kDetails[i], WEB.PAGEPATH.clip(), [&progress] { progress.add(); })) {
      report(static_cast<Detail>(i), rt::MessageId::RecordNotDeleted);
      return {};
    }
  }
  progress.add();
  statustext.clear();
  redraw.page();

  if (!temp.prepare()) return {Outcome::Stop, std::string(tempfilename.raw()) + "not open", 0};

  // The copy holds one record per line file record; the records that continue a longer line
  // are remembered so that the tag rules keep that line's number.
  std::vector<long> continued;
  long records = 0;
  bool cut = false;
  while (!DOS.eof() && DOS.next()) {
    temp.add(std::string_view(DOS.LINE.data, static_cast<std::size_t>(DOS.lastLength())));
    ++records;
    if (cut) continued.push_back(records);
    cut = DOS.lastCut();
    progress.add();
  }
  page.close();
  progress.add();

  DetailWriter writer;
  HtmlTagRules rules(writer);
  rules.startPage(WEB.LOCALDEFAULTDIRECTORY.clip());
  const long base = progress.value();
  long read = 0;
  std::size_t nextContinued = 0;
  while (!writer.failed() && static_cast<std::size_t>(read) < temp.records()) {
    const std::string_view record = temp.record(static_cast<std::size_t>(read));
    ++read;
    const bool continues = nextContinued < continued.size() && continued[nextContinued] == read;
    if (continues) ++nextContinued;
    const bool cutAfter = nextContinued < continued.size() && continued[nextContinued] == read + 1;
    rules.lineRecord(record, continues, cutAfter);
    htmllinecount = static_cast<double>(rules.lineNumber());
    progress.set(base + rules.progress());
    redraw.line();
  }
  if (!writer.failed()) rules.finish();
  if (writer.failed()) {
    rt::errors() = writer.error();
    report(writer.failedFile(), rt::MessageId::RecordNotAdded);
    return {};
  }

  if (read > 0) {
    const std::vector<rt::DirEntry> entries = rt::ListDirectory(WEB.LOCALPATH.clip());
    if (!entries.empty()) {
      WEB.FILEDATETIME = DateTimeText(entries.front().DATE, entries.front().TIME);
      WEB.FILESIZE =
          static_cast<std::int32_t>(std::min<std::int64_t>(entries.front().SIZE, INT32_MAX));
    }
    WEB.PAGEREADDATE = DateTimeText(rt::TODAY(), rt::CLOCK());
    redraw.page();
  }
  if (!store(read)) return {};

  if (rt::FileManager* failed = change.commit()) {
    failed->RaiseError(rt::MessageId::RecordNotAdded);
    return {};
  }
  return {Outcome::Done, {}, read};
}

}  // namespace pagereading
