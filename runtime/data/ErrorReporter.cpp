#include "runtime/data/ErrorReporter.h"

#include <algorithm>
#include <mutex>

namespace rt {

namespace {
ErrorReporter* installed = nullptr;
std::mutex procedureMutex;
std::string procedureName;
}  // namespace

Answer RecordingReporter::report(const ReportedMessage& message) {
  messages.push_back(message);
  return message.buttons == MessageButtons::YesNo ? answer : Answer::Ok;
}

bool RecordingReporter::contains(MessageId id) const {
  return std::any_of(messages.begin(), messages.end(),
                     [id](const ReportedMessage& m) { return m.id == id; });
}

RecordingReporter& defaultReporter() {
  static RecordingReporter recorder;
  return recorder;
}

ErrorReporter& errorReporter() {
  return installed ? *installed : defaultReporter();
}

void setErrorReporter(ErrorReporter* reporter) {
  installed = reporter;
}

void setCurrentProcedure(std::string_view name) {
  std::lock_guard lock(procedureMutex);
  procedureName = std::string(name);
}

std::string currentProcedure() {
  std::lock_guard lock(procedureMutex);
  return procedureName;
}

}  // namespace rt
