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
     "%File could not be read or written.|%ErrorText (%ErrorCode)|Procedure: %Procedure",
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

Answer reportFileFailure(std::string_view file, const ErrorState& error) {
  MessageValues v = errorValues(file, error);
  if (error.code != ErrorCode::InvalidFile) return reportMessage(MessageId::FileAccessError, v);
  v.message = advice();
  return reportMessage(MessageId::FileDamaged, v);
}

Answer reportMessage(MessageId id, const MessageValues& values) {
  const MessageEntry& e = messageEntry(id);
  ReportedMessage m{id, e.caption, expandMessage(e.text, values), e.buttons};
  return errorReporter().report(m);
}

}  // namespace rt
