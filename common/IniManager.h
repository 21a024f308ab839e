// The settings object of a program: one INI file in the working directory of the start.
// Window positions and browse layouts go to the same file through the window layer.
#pragma once

#include <string>
#include <string_view>

// The settings class procedures derive from: Init names the file and loads, Kill saves.
class IniManager {
 public:
  virtual ~IniManager() = default;
  void Init(std::string_view fileName);
  virtual void Load() {}
  virtual void Save() {}
  void Kill();

  std::string Fetch(std::string_view section, std::string_view key,
                    std::string_view defaultValue = {}) const;
  double FetchNumber(std::string_view section, std::string_view key, double defaultValue = 0) const;
  void Update(std::string_view section, std::string_view key, std::string_view value) const;
  void UpdateNumber(std::string_view section, std::string_view key, double value) const;
  const std::string& fileName() const { return file_; }

 private:
  std::string file_;
};
