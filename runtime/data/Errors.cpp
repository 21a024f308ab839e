#include "runtime/data/Errors.h"

#include <array>
#include <utility>

namespace rt {

namespace {

ErrorState& defaultProvider() {
  static ErrorState state;
  return state;
}

ErrorStateProvider currentProvider = &defaultProvider;

constexpr std::array<std::pair<ErrorCode, std::string_view>, 22> kTexts{{
    {ErrorCode::NoError, ""},
    {ErrorCode::FileNotFound, "File not found"},
    {ErrorCode::PathNotFound, "Path not found"},
    {ErrorCode::AccessDenied, "In use by another program"},
    {ErrorCode::NotOpen, "File not open"},
    {ErrorCode::RecordNotAvailable, "Record not available"},
    {ErrorCode::NoRecord, "No record found"},
    {ErrorCode::DuplicateKey, "Creates duplicate key"},
    {ErrorCode::KeyRebuildNeeded, "Keys need to be rebuilt"},
    {ErrorCode::InvalidFile, "Invalid data file"},
    {ErrorCode::AlreadyOpen, "File already open"},
    {ErrorCode::CreateError, "File could not be created"},
    {ErrorCode::WriteError, "Write error"},
    {ErrorCode::ReadOnly, "File opened for reading only"},
    {ErrorCode::InvalidKey, "Invalid key"},
    {ErrorCode::InvalidRequest, "Invalid request"},
    {ErrorCode::FileSystemError, "File system error"},
    {ErrorCode::FileChanged, "File changed by another program"},
    {ErrorCode::DiskFull, "Disk full"},
    {ErrorCode::ReadOnlyPlace, "Directory or file is read-only"},
    {ErrorCode::Damaged, "File damaged"},
    {ErrorCode::LayoutDiffers, "File of another record layout"},
}};

}  // namespace

ErrorState& errors() {
  return currentProvider();
}

void setErrorStateProvider(ErrorStateProvider provider) {
  currentProvider = provider ? provider : &defaultProvider;
}

bool setError(ErrorCode code, std::string_view file, std::string_view text) {
  ErrorState& e = errors();
  e.code = code;
  e.file = std::string(file);
  e.text = text.empty() ? std::string(errorCodeText(code)) : std::string(text);
  return code == ErrorCode::NoError;
}

void clearError() {
  ErrorState& e = errors();
  e.code = ErrorCode::NoError;
  e.text.clear();
  e.file.clear();
}

std::string_view errorCodeText(ErrorCode code) {
  for (const auto& [c, t] : kTexts)
    if (c == code) return t;
  return "Unknown error";
}

}  // namespace rt
