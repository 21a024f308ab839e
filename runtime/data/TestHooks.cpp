#include "runtime/data/TestHooks.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

namespace rt::testhooks {

namespace {

struct Settings {
  std::string pointsFile;
  long killAt = 0;
  long failCommit = 0;
  long points = 0;
  long commits = 0;
  bool any = false;

  Settings() {
    if (const char* p = std::getenv("TW_CHANGE_POINTS")) pointsFile = p;
    if (const char* k = std::getenv("TW_KILL_AT")) killAt = std::atol(k);
    if (const char* f = std::getenv("TW_FAIL_COMMIT")) failCommit = std::atol(f);
    any = !pointsFile.empty() || killAt > 0 || failCommit > 0;
  }
};

Settings& settings() {
  static Settings s;
  return s;
}

}  // namespace

void point(std::string_view name) {
  Settings& s = settings();
  if (!s.any) return;
  ++s.points;
  if (!s.pointsFile.empty()) {
    std::ofstream out(s.pointsFile, std::ios::app);
    out << name << '\n';
  }
  if (s.points == s.killAt) std::raise(SIGKILL);
}

bool failThisCommit() {
  Settings& s = settings();
  if (!s.any) return false;
  return ++s.commits == s.failCommit;
}

}  // namespace rt::testhooks
