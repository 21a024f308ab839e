// A keyed file over buffers of its own, so the program's record buffers are never touched.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/data/KeyedFile.h"

namespace tarnfix {

class ScratchFile {
 public:
  explicit ScratchFile(const rt::FileDesc& desc) : record_(desc.recordSize, ' ') {
    for (const rt::MemoDesc& m : desc.memos) memos_.emplace_back(m.size, ' ');
    std::vector<char*> pointers;
    for (std::string& m : memos_) pointers.push_back(m.data());
    file_ = std::make_unique<rt::KeyedFile>(desc, record_.data(), pointers);
  }
  rt::KeyedFile& operator*() { return *file_; }
  rt::KeyedFile* operator->() { return file_.get(); }

 private:
  std::string record_;
  std::vector<std::string> memos_;
  std::unique_ptr<rt::KeyedFile> file_;
};

}  // namespace tarnfix
