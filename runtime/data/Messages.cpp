#include "runtime/data/Messages.h"

#include <iterator>
#include <stdexcept>

namespace rt {

namespace {

const MessageEntry kTable[] = {
    {MessageId::RecordNotAdded, "Record Was Not Added",
     "The record could not be added to %File.|%ErrorText (%ErrorCode)|%Message",
     MessageButtons::Ok},
    {MessageId::RecordNotUpdated, "Record Was Not Updated",
     "The record in %File could not be changed.|%ErrorText (%ErrorCode)|%Message",
     MessageButtons::Ok},
    {MessageId::RecordNotDeleted, "Record Was Not Deleted",
     "The record could not be deleted from %File.|%ErrorText (%ErrorCode)|%Message",
     MessageButtons::Ok},
    {MessageId::DuplicateKey, "Duplicate Key Error",
     "%File already holds \"%Message\" under the key \"%Field\", which allows each value "
     "once.|Enter a different value; the record was not saved.",
     MessageButtons::Ok},
    {MessageId::FileAccessError, "File Access Error",
     "%File could not be read or written.|%ErrorText (%ErrorCode)|Procedure: %Procedure|"
     "%Message",
     MessageButtons::Ok},
    {MessageId::FileNotFound, "File Not Found", "The file %File was not found.|%ErrorText",
     MessageButtons::Ok},
    {MessageId::FileCreationError, "File Creation Error",
     "The file %File could not be created.|%ErrorText (%ErrorCode)", MessageButtons::Ok},
    {MessageId::KeyRebuildNeeded, "Key Rebuild Needed",
     "The keys of %File must be rebuilt. This is done now and may take a while.",
     MessageButtons::Ok},
    {MessageId::AccessDenied, "Access Denied",
     "In use by another program: %File.|Opened for reading only, so changes cannot be saved. "
     "To make changes, close the other program, then open this window again.",
     MessageButtons::Ok},
    {MessageId::ConfirmDelete, "Confirm Delete",
     "Are you sure you want to delete the highlighted record from %File?", MessageButtons::YesNo},
    {MessageId::InvalidRequest, "Invalid Request",
     "The request is not valid here: %ErrorText %Message|Procedure: %Procedure",
     MessageButtons::Ok},
    {MessageId::FileDamaged, "File Access Error",
     "%File is damaged: its records cannot all be read.|%Message|%ErrorText (%ErrorCode)",
     MessageButtons::Ok},
    {MessageId::ReadOnlyPlace, "Access Denied",
     "Read-only: %File.|Its directory or the file itself does not allow writing, so it was "
     "opened for reading only and changes cannot be saved. To make changes, allow writing "
     "there, then open this window again.",
     MessageButtons::Ok},
    {MessageId::DiskFull, "Disk Full",
     "The disk is full: %File cannot be written.|It was opened for reading only, so changes "
     "cannot be saved. Free some space on the disk, then open this window again.",
     MessageButtons::Ok},
    {MessageId::NotADataFile, "File Access Error",
     "%File is not a data file of this program: it is empty or holds something else.|"
     "%ErrorText (%ErrorCode)|Move it out of the data directory or put the file from a backup "
     "in its place.",
     MessageButtons::Ok},
    {MessageId::OtherLayout, "File Access Error",
     "%File holds records of another layout: another program or version wrote it.|"
     "%ErrorText (%ErrorCode)|Put this program's file from a backup in its place, or move it "
     "out of the data directory.",
     MessageButtons::Ok},
};

std::string& advice() {
  static std::string text;
  return text;
}

}  // namespace

const MessageEntry& messageEntry(MessageId id) {
  for (const auto& e : kTable)
    if (e.id == id) return e;
  throw std::out_of_range("message id");
}

std::string expandMessage(std::string_view text, const MessageValues& v) {
  const struct {
    std::string_view name;
    const std::string* value;
  } holders[] = {{"%ErrorText", &v.errorText}, {"%ErrorCode", &v.errorCode},
                 {"%Procedure", &v.procedure}, {"%Message", &v.message},
                 {"%Field", &v.field},         {"%File", &v.file}};
  std::string out;
  out.reserve(text.size() + 64);
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == '%') {
      for (const auto& h : holders) {
        if (text.substr(i, h.name.size()) == h.name) {
          out += *h.value;
          i += h.name.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

MessageValues errorValues(std::string_view file, const ErrorState& e) {
  MessageValues v;
  v.file = std::string(file);
  v.errorText = e.text.empty() ? std::string(errorCodeText(e.code)) : e.text;
  v.errorCode = std::to_string(static_cast<int>(e.code));
  v.procedure = currentProcedure();
  return v;
}

void setRepairAdvice(std::string text) {
  advice() = std::move(text);
}

std::string causeAdvice(ErrorCode code) {
  switch (code) {
    case ErrorCode::AccessDenied:
      return "Another program is using the file: close it there, then try again.";
    case ErrorCode::ReadOnlyPlace:
      return "The data directory or the file is read-only: allow writing there, then try "
             "again.";
    case ErrorCode::DiskFull:
      return "The disk is full: free some space on it, then try again.";
    case ErrorCode::Damaged:
      return advice();
    default:
      return {};
  }
}

MessageId failureMessage(ErrorCode code) {
  switch (code) {
    case ErrorCode::Damaged:
      return MessageId::FileDamaged;
    case ErrorCode::InvalidFile:
      return MessageId::NotADataFile;
    case ErrorCode::LayoutDiffers:
      return MessageId::OtherLayout;
    default:
      return MessageId::FileAccessError;
  }
}

Answer reportFileFailure(std::string_view file, const ErrorState& error) {
  MessageValues v = errorValues(file, error);
  v.message = causeAdvice(error.code);
  return reportMessage(failureMessage(error.code), v);
}

Answer reportRefusal(MessageId notice, const MessageValues& values) {
  const char* text =
      "In use by another program: %File.|%Message|Close them in the other "
      "program, then try again.";
  if (notice == MessageId::ReadOnlyPlace)
    text = "Read-only: %File.|%Message|Allow writing to them, then try again.";
  else if (notice == MessageId::DiskFull)
    text =
        "The disk is full: %File cannot be written.|%Message|Free some space on the disk, "
        "then try again.";
  const MessageEntry& e = messageEntry(notice);
  return errorReporter().report({notice, e.caption, expandMessage(text, values), e.buttons});
}

Answer reportMessage(MessageId id, const MessageValues& values) {
  const MessageEntry& e = messageEntry(id);
  ReportedMessage m{id, e.caption, expandMessage(e.text, values), e.buttons};
  return errorReporter().report(m);
}

}  // namespace rt
