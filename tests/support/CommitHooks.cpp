#include "tests/support/CommitHooks.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include "runtime/data/CommitObserver.h"

namespace testsupport {

namespace {

const char* nameOf(rt::CommitPoint point) {
  switch (point) {
    case rt::CommitPoint::ChangeBegun:
      return "change-begun";
    case rt::CommitPoint::FileCommitted:
      return "file-committed";
    case rt::CommitPoint::ChangeDecided:
      return "change-decided";
    case rt::CommitPoint::FileFinished:
      return "file-finished";
    case rt::CommitPoint::ChangeEnded:
      return "change-ended";
  }
  return "?";
}

class EnvironmentHooks : public rt::CommitObserver {
 public:
  std::string pointsFile;
  long killAt = 0;
  long failAt = 0;

  void reached(rt::CommitPoint point) override {
    ++points_;
    if (!pointsFile.empty()) std::ofstream(pointsFile, std::ios::app) << nameOf(point) << '\n';
    if (points_ == killAt) std::raise(SIGKILL);
  }
  bool failCommit() override { return ++commits_ == failAt; }

 private:
  long points_ = 0;
  long commits_ = 0;
};

}  // namespace

void installCommitHooks() {
  static EnvironmentHooks hooks;
  if (const char* p = std::getenv("TW_CHANGE_POINTS")) hooks.pointsFile = p;
  if (const char* k = std::getenv("TW_KILL_AT")) hooks.killAt = std::atol(k);
  if (const char* f = std::getenv("TW_FAIL_COMMIT")) hooks.failAt = std::atol(f);
  if (!hooks.pointsFile.empty() || hooks.killAt > 0 || hooks.failAt > 0)
    rt::setCommitObserver(&hooks);
}

}  // namespace testsupport
