// Where the file managers' messages go. The window layer installs a reporter that shows
// message boxes; until then a recording reporter keeps them (tests read it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rt {

enum class MessageId : int {
  RecordNotAdded = 1,
  RecordNotUpdated,
  RecordNotDeleted,
  DuplicateKey,
  FileAccessError,
  FileNotFound,
  FileCreationError,
  KeyRebuildNeeded,
  AccessDenied,
  ConfirmDelete,
  InvalidRequest,
  FileDamaged,
  ReadOnlyPlace,  // opened for reading only: the directory or the file is read-only
  DiskFull,       // opened for reading only: the disk is full
  NotADataFile,
  OtherLayout,
};

enum class MessageButtons : int { Ok, YesNo };
enum class Answer : int { Ok, Yes, No };

// One message as shown: caption and text with every placeholder filled in.
struct ReportedMessage {
  MessageId id;
  std::string caption;
  std::string text;
  MessageButtons buttons = MessageButtons::Ok;
};

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  // Shows the message; for a Yes/No question returns the button pressed.
  virtual Answer report(const ReportedMessage& message) = 0;
};

// Keeps every message; questions get the answer set beforehand (Yes unless told).
class RecordingReporter : public ErrorReporter {
 public:
  Answer report(const ReportedMessage& message) override;
  std::vector<ReportedMessage> messages;
  Answer answer = Answer::Yes;
  bool contains(MessageId id) const;
  void clear() { messages.clear(); }
};

// The reporter in use; a program-wide recording reporter until one is installed.
ErrorReporter& errorReporter();
void setErrorReporter(ErrorReporter* reporter);  // nullptr restores the recording one
RecordingReporter& defaultReporter();

// The name of the procedure whose window is working ("%Procedure" in messages). One
// program-wide name by default; the procedure-thread layer can keep one per thread.
void setCurrentProcedure(std::string_view name);
std::string currentProcedure();
using ProcedureNameProvider = std::string& (*)();
void setProcedureNameProvider(ProcedureNameProvider provider);  // nullptr: the default

}  // namespace rt
