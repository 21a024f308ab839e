// The points a change that spans data files passes as it commits, told to an observer that may
// also make a COMMIT fail. The programs set none; tests use it to kill or fail a change midway.
#pragma once

namespace rt {

enum class CommitPoint { ChangeBegun, FileCommitted, ChangeDecided, FileFinished, ChangeEnded };

class CommitObserver {
 public:
  virtual ~CommitObserver() = default;
  virtual void reached(CommitPoint point) = 0;
  // Whether the data-file COMMIT about to run fails, as a full disk would make it.
  virtual bool failCommit() = 0;
};

// nullptr: none.
void setCommitObserver(CommitObserver* observer);

// For the transaction's own use.
void reachCommitPoint(CommitPoint point);
bool commitToFail();

}  // namespace rt
