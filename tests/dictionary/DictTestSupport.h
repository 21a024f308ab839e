// A fresh working directory with the dictionary set up in it, for tests on real files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "dictionary/Dictionary.h"
#include "runtime/data/ErrorReporter.h"

namespace dicttest {

// Strings blank, numbers zero, memos blank: the buffers as the program starts with them.
inline void clearBuffers() {
  for (const rt::FileDesc* d : AllFileDescs()) {
    const BufferRef b = BufferOf(*d);
    auto* rec = static_cast<char*>(b.record);
    for (const auto& f : d->fields)
      std::memset(rec + f.offset, f.type == rt::FieldType::String ? ' ' : 0, f.size);
    if (b.memo) std::memset(b.memo, ' ', d->memos.at(0).size);
  }
}

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/twdictXXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    rt::setErrorReporter(nullptr);
    rt::defaultReporter().clear();
    rt::defaultReporter().answer = rt::Answer::Yes;
    clearBuffers();
    DictionaryInit();
  }
  void TearDown() override {
    DictionaryKill();
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  rt::RecordingReporter& shown() { return rt::defaultReporter(); }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::filesystem::path old_;
};

}  // namespace dicttest
