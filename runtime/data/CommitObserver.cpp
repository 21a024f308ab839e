#include "runtime/data/CommitObserver.h"

namespace rt {

namespace {
CommitObserver* observer = nullptr;
}

void setCommitObserver(CommitObserver* o) {
  observer = o;
}

void reachCommitPoint(CommitPoint point) {
  if (observer) observer->reached(point);
}

bool commitToFail() {
  return observer && observer->failCommit();
}

}  // namespace rt
