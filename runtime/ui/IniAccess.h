// The program's INI file as the window layer reads and writes it.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace rt {

// The INI file that window positions go to, named by the program; none until it is.
void setProgramIniFile(std::string name);
const std::string& programIniFile();
// Replaceable INI access: by default rt::IniFile on programIniFile().
struct IniAccess {
  std::function<std::string(std::string_view section, std::string_view key,
                            std::string_view fallback)>
      get;
  std::function<void(std::string_view section, std::string_view key, std::string_view value)> put;
};
void setIniAccess(IniAccess access);
std::string iniGet(std::string_view section, std::string_view key, std::string_view fallback);
void iniPut(std::string_view section, std::string_view key, std::string_view value);
// Several keys of one section in one write of the file.
void iniPut(std::string_view section,
            std::initializer_list<std::pair<std::string_view, std::string_view>> entries);

}  // namespace rt
