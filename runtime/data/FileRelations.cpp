#include "runtime/data/FileRelations.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/data/Transaction.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Strings.h"

namespace rt {

FileRelations::~FileRelations() = default;

void FileRelations::Init(FileManager& file) {
  file_ = &file;
  relations_.clear();
}

void FileRelations::AddRelation(FileRelations& related) {
  relations_.push_back(Relation{&related, false, -1, {}});
}

void FileRelations::AddRelation(FileRelations& child, int childKey, std::vector<Link> links) {
  relations_.push_back(Relation{&child, true, childKey, std::move(links)});
}

// Every relation manager reachable from this one, each once (relations run both ways).
template <class Visit>
void FileRelations::walk(std::vector<FileRelations*>& seen, Visit&& visit) {
  if (std::find(seen.begin(), seen.end(), this) != seen.end()) return;
  seen.push_back(this);
  if (!visit(*this)) return;
  for (auto& r : relations_)
    if (r.other) r.other->walk(seen, visit);
}

Status FileRelations::OpenFiles() {
  if (!file_) return Status::Failed;
  Status own = Status::Ok;
  std::vector<FileRelations*> seen;
  const AccessNotice oneMessage;
  walk(seen, [&](FileRelations& rel) {
    if (!rel.file_) return false;
    const Status s = rel.file_->OpenFile();
    if (&rel == this) own = s;
    if (s == Status::Ok) ++opened_[rel.file_];
    // A file that cannot be opened takes its related files with it no further.
    return s == Status::Ok;
  });
  return own;
}

Status FileRelations::CloseFiles() {
  if (!file_) return Status::Failed;
  Status own = Status::Ok;
  std::vector<FileRelations*> seen;
  walk(seen, [&](FileRelations& rel) {
    if (!rel.file_) return false;
    // Only what an opening through these relations opened: a file that failed to open then
    // is another window's, if open at all.
    auto it = opened_.find(rel.file_);
    if (it == opened_.end() || it->second == 0) return true;
    --it->second;
    const Status s = rel.file_->CloseFile();
    if (&rel == this) own = s;
    return true;
  });
  return own;
}

void FileRelations::Teardown() {
  relations_.clear();
  file_ = nullptr;
}

void FileRelations::SetDriverOption(std::string_view option, bool related) {
  std::vector<FileRelations*> seen;
  walk(seen, [&](FileRelations& rel) {
    if (!rel.file_) return false;
    if (auto* k = rel.file_->keyedFile()) k->send(option);
    if (auto* l = rel.file_->lineFile()) l->send(option);
    return related;
  });
}

// The file and every child file below it, each once; false when one cannot be written.
bool FileRelations::collectTree(std::vector<KeyedFile*>& files) {
  KeyedFile* k = file_ ? file_->keyedFile() : nullptr;
  if (!k) return setError(ErrorCode::InvalidRequest, file_ ? file_->label() : "", "no keyed file");
  if (std::find(files.begin(), files.end(), k) != files.end()) return true;
  if (!k->isOpen()) return setError(ErrorCode::NotOpen, file_->label(), "the file is not open");
  if (k->isReadOnly())
    return setError(ErrorCode::ReadOnly, file_->label(), "the file is open for reading only");
  files.push_back(k);
  for (auto& r : relations_)
    if (r.child && !r.other->collectTree(files)) return false;
  return true;
}

namespace {

bool sameLink(const FieldDesc& pf, const char* parent, const FieldDesc& cf, const char* child) {
  if (pf.type == FieldType::String && cf.type == FieldType::String)
    return UPPER(clipView(parent + pf.offset, pf.size)) ==
           UPPER(clipView(child + cf.offset, cf.size));
  return pf.size == cf.size && std::memcmp(parent + pf.offset, child + cf.offset, pf.size) == 0;
}

bool blankField(const FieldDesc& f, const char* rec) {
  if (f.type == FieldType::String) return clipView(rec + f.offset, f.size).empty();
  for (std::uint32_t i = 0; i < f.size; ++i)
    if (rec[f.offset + i] != 0) return false;
  return true;
}

void copyField(const FieldDesc& from, const char* src, const FieldDesc& to, char* dst) {
  if (from.type == FieldType::String && to.type == FieldType::String)
    assignPadded(dst + to.offset, to.size, clipView(src + from.offset, from.size));
  else if (from.size == to.size)
    std::memcpy(dst + to.offset, src + from.offset, to.size);
}

// The record, memos and position of a file, kept while the cascade walks it.
struct SavedFile {
  explicit SavedFile(KeyedFile& f)
      : file(f),
        record(static_cast<const char*>(f.record()), f.desc().recordSize),
        cursor(f.cursorState()) {
    for (std::size_t m = 0; m < f.desc().memos.size() && m < f.memoBuffers().size(); ++m)
      memos.emplace_back(f.memoBuffers()[m], f.desc().memos[m].size);
  }
  ~SavedFile() {
    std::memcpy(file.record(), record.data(), record.size());
    for (std::size_t m = 0; m < memos.size(); ++m)
      std::memcpy(file.memoBuffers()[m], memos[m].data(), memos[m].size());
    file.setCursorState(cursor);
  }
  KeyedFile& file;
  std::string record;
  std::vector<std::string> memos;
  KeyedFile::CursorState cursor;
};

}  // namespace

// Deletes, for every child relation, the child records linked to the current record of
// this file, each child's own children first.
bool FileRelations::deleteChildren() {
  KeyedFile& parent = *file_->keyedFile();
  const char* prec = static_cast<const char*>(parent.record());
  for (auto& r : relations_) {
    if (!r.child) continue;
    KeyedFile& child = *r.other->file_->keyedFile();
    const FileDesc& pd = parent.desc();
    const FileDesc& cd = child.desc();
    // A parent with a blank link owns nothing: blank children are not its.
    if (std::all_of(r.links.begin(), r.links.end(),
                    [&](const Link& l) { return blankField(pd.fields[l.parentField], prec); }))
      continue;
    SavedFile saved(child);
    auto* crec = static_cast<char*>(child.record());
    for (int c : cd.keys.at(r.childKey).components) {
      const FieldDesc& f = cd.fields[c];
      std::memset(crec + f.offset, f.type == FieldType::String ? ' ' : 0, f.size);
    }
    for (const Link& l : r.links)
      copyField(pd.fields[l.parentField], prec, cd.fields[l.childField], crec);
    // The parent's values, copied once: the child buffer changes with every record read.
    const std::string parentCopy(prec, pd.recordSize);
    child.setKeyFrom(r.childKey);
    while (child.next()) {
      const bool linked = std::all_of(r.links.begin(), r.links.end(), [&](const Link& l) {
        return sameLink(pd.fields[l.parentField], parentCopy.data(), cd.fields[l.childField], crec);
      });
      if (!linked) break;
      if (!r.other->deleteChildren()) return false;
      if (!child.erase()) return false;
    }
    if (errorCode() != ErrorCode::RecordNotAvailable && errorCode() != ErrorCode::NoError)
      return false;
    clearError();
  }
  return true;
}

Status FileRelations::DeleteRecord(bool ask) {
  if (!file_) return Status::Failed;
  if (ask && file_->RaiseError(MessageId::ConfirmDelete) != Answer::Yes) return Status::Cancelled;
  std::vector<KeyedFile*> files;
  clearError();
  if (!collectTree(files)) {
    file_->RaiseError(MessageId::RecordNotDeleted);
    return Status::Failed;
  }
  Transaction tx(files);
  if (!tx.active() || !deleteChildren() || !files.front()->erase()) {
    const ErrorState failed = errors();
    tx.rollback();
    errors() = failed;
    file_->RaiseError(MessageId::RecordNotDeleted);
    return Status::Failed;
  }
  if (!tx.commit()) {
    file_->RaiseError(MessageId::RecordNotDeleted);
    return Status::Failed;
  }
  return Status::Ok;
}

}  // namespace rt
