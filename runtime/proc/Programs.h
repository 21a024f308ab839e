// External programs, the current directory and the shell's open action.
#pragma once

#include <QUrl>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

inline constexpr std::size_t kShellTargetMax = 255;

// Splits a command line into program and arguments with the usual quoting rules:
// blanks separate; "..." groups (a doubled "" inside quotes is one quote); backslashes
// are literal except right before a quote (2n+1 of them: n and a literal quote, 2n: n).
std::vector<std::string> splitCommandLine(std::string_view line);
// One word as splitCommandLine reads it back: as it stands when it splits to itself, else
// quoted.
std::string quoteCommandWord(std::string_view word);

// What RUN hands to the operating system.
struct Launch {
  std::string program;  // a path, or a name looked up on PATH
  std::vector<std::string> arguments;
  std::string directory;  // the current directory at the time of RUN
};

// What became of a RUN: the reason is empty when the program was started or handed on.
struct RunOutcome {
  std::string program;  // as it was to be started
  std::string reason;   // why it could not be, in words for the user
  bool started() const { return reason.empty(); }
};

// RUN(command line): started detached in the current directory; the caller does not
// wait. A line that as a whole is the path of an existing file is that program, blanks and
// all; any other line is split. Program names are mapped first: a companion program
// ("NAME.exe" or "NAME") to our executable (working directory first, then beside the
// running program), "hh.exe FILE" to the desktop opener, "winhelp.exe ..." to the help
// handler. A trailing-blank padded line is clipped; "\" in the program path counts as "/".
// Nothing is shown: a caller that tells the user of a failure does so from the outcome.
RunOutcome RUN(std::string_view commandLine);
// The same with a file path appended as one argument; a blank command line hands the file
// to the desktop's opener.
RunOutcome RUN(std::string_view commandLine, std::string_view argument);

// The programs of the system that RUN maps to our executables, by their names without
// ".exe" (lower case); the program names them when it starts.
void setCompanionPrograms(std::vector<std::string> names);

// The running program's directory, where our executables are looked for second.
// Tests point it elsewhere; empty restores the executable's own directory.
void setProgramDirectory(std::string dir);
std::string locateProgram(std::string_view name);  // "" when neither place has it

bool ChangeDirectory(std::string_view path);
std::string currentDirectory();  // absolute, symbolic links resolved

// ShellOpen(target): clipped, at most kShellTargetMax bytes (never half a character);
// "mailto:", "http:", "https:", "ftp:" addresses as they are, an existing local file or
// directory as that file, anything else through QUrl::fromUserInput. Nothing is reported.
void ShellOpen(std::string_view target);
QUrl shellUrl(std::string_view target);  // what ShellOpen would open

// Replaceable back ends (tests capture what would be run or opened). The window layer
// installs the desktop opener and the help handler when it starts.
void setLauncher(std::function<void(const Launch&)> launcher);  // nullptr: detached process
void setUrlOpener(std::function<void(const QUrl&)> opener);
void setHelpHandler(std::function<void(const std::vector<std::string>& arguments)> help);

}  // namespace rt
