#include "runtime/data/FileNames.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <memory>

namespace rt {

std::string normalizePath(std::string_view name) {
  std::string out(name);
  while (!out.empty() && (out.back() == ' ' || out.back() == '\0')) out.pop_back();
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string resolveExisting(std::string_view path) {
  std::string p = normalizePath(path);
  if (p.empty() || fileExists(p)) return p;
  const auto slash = p.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
  const std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
  if (!d) return p;
  while (dirent* e = ::readdir(d.get())) {
    if (strcasecmp(e->d_name, base.c_str()) == 0)
      return slash == std::string::npos ? std::string(e->d_name)
                                        : p.substr(0, slash + 1) + e->d_name;
  }
  return p;
}

}  // namespace rt
