// The message table of the file managers: one entry per message id, with placeholders
// %File %ErrorText %ErrorCode %Field %Message %Procedure in its text.
#pragma once

#include <string>
#include <string_view>

#include "runtime/data/ErrorReporter.h"
#include "runtime/data/Errors.h"

namespace rt {

struct MessageEntry {
  MessageId id;
  const char* caption;
  const char* text;  // "|" starts a new line
  MessageButtons buttons;
};

const MessageEntry& messageEntry(MessageId id);

struct MessageValues {
  std::string file;  // the file's label
  std::string errorText;
  std::string errorCode;
  std::string field;  // a key's description, or a field name
  std::string message;
  std::string procedure;
};

// The values of a message about a file (its label) from an error state; the current
// procedure as %Procedure.
MessageValues errorValues(std::string_view file, const ErrorState& error);

// What the program tells a user to do about a damaged data file (run its repair utility);
// the %Message of FileDamaged.
void setRepairAdvice(std::string text);

// What a user can do about a cause (the repair advice for a damaged file); empty when the
// message itself says it.
std::string causeAdvice(ErrorCode code);
// The message of a file that cannot be read or written, by its cause: FileDamaged,
// NotADataFile, OtherLayout, else FileAccessError.
MessageId failureMessage(ErrorCode code);

// Reports a failed read or write of a file by its cause, with the advice for it as %Message.
Answer reportFileFailure(std::string_view file, const ErrorState& error);

// Replaces each placeholder once, left to right; a value's own text is never re-read as
// a placeholder.
std::string expandMessage(std::string_view text, const MessageValues& values);

// Builds the message of an id from the table and hands it to the reporter in use.
Answer reportMessage(MessageId id, const MessageValues& values);

// The notice of files opened for reading only (AccessDenied, ReadOnlyPlace, DiskFull) when
// they kept a piece of work from being done: %File names them, %Message says what was not
// done, and the advice is for several files.
Answer reportRefusal(MessageId notice, const MessageValues& values);

}  // namespace rt
