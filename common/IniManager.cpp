#include "common/IniManager.h"

#include <filesystem>

#include "runtime/ini/IniFile.h"
#include "runtime/ui/IniAccess.h"

void IniManager::Init(std::string_view fileName) {
  // Fixed to the working directory of the start, so a program run in another directory
  // (the launcher changes it) does not move the settings.
  file_ = std::filesystem::absolute(std::filesystem::path(fileName)).string();
  rt::setProgramIniFile(file_);
  Load();
}

void IniManager::Kill() {
  file_.clear();
}

std::string IniManager::Fetch(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
  return rt::IniFile(file_).getString(section, key, defaultValue);
}

double IniManager::FetchNumber(std::string_view section, std::string_view key,
                               double defaultValue) const {
  return rt::IniFile(file_).getNumber(section, key, defaultValue);
}

void IniManager::Update(std::string_view section, std::string_view key,
                        std::string_view value) const {
  rt::IniFile(file_).put(section, key, value);
}

void IniManager::UpdateNumber(std::string_view section, std::string_view key, double value) const {
  rt::IniFile(file_).putNumber(section, key, value);
}
