#include "runtime/data/ErrorReporter.h"

#include <algorithm>

namespace rt {

namespace {
ErrorReporter* installed = nullptr;
std::string& programProcedure() {
  static std::string name;
  return name;
}
ProcedureNameProvider procedureProvider = programProcedure;
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
  procedureProvider() = std::string(name);
}

std::string currentProcedure() {
  return procedureProvider();
}

void setProcedureNameProvider(ProcedureNameProvider provider) {
  procedureProvider = provider ? provider : programProcedure;
}

}  // namespace rt
