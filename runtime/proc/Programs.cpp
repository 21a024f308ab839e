#include "runtime/proc/Programs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cctype>

namespace rt {
namespace {

struct Backends {
  std::function<void(const Launch&)> launcher;
  std::function<void(const QUrl&)> opener;
  std::function<void(const std::vector<std::string>&)> help;
  std::string programDir;
  std::vector<std::string> companions;
};

Backends& backends() {
  static Backends b;
  return b;
}

std::string_view clipped(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string slashes(std::string_view s) {
  std::string out(clipped(s));
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

QString q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The file name of a program path, lower case, without a ".exe".
std::string baseName(std::string_view program) {
  std::string name = lower(program);
  if (auto slash = name.find_last_of('/'); slash != std::string::npos) name.erase(0, slash + 1);
  if (name.size() > 4 && name.ends_with(".exe")) name.resize(name.size() - 4);
  return name;
}

// A file name matched case-insensitively inside dir.
std::string findIn(const QString& dir, std::string_view name) {
  QDir d(dir);
  const QString wanted = q(name);
  for (const QFileInfo& fi : d.entryInfoList(QDir::Files | QDir::Executable)) {
    if (fi.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
      return fi.absoluteFilePath().toStdString();
  }
  return {};
}

void openLocalOrUserInput(std::string_view target) {
  auto& b = backends();
  if (b.opener) b.opener(shellUrl(target));
}

constexpr const char* kNotFound = "No program of this name was found.";

// Why the program cannot be started, in the user's words; empty once it runs.
std::string startDetached(const Launch& l) {
  const QString program = q(l.program);
  if (!program.contains(u'/')) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return kNotFound;
  } else {
    const QFileInfo fi(program);  // relative to the current directory, where it starts
    if (!fi.exists()) return "The file does not exist.";
    if (fi.isDir()) return "This is a folder, not a program.";
    if (!fi.isExecutable()) return "The file is not marked as executable.";
  }
  QProcess p;
  p.setProgram(program);
  QStringList args;
  for (const auto& a : l.arguments) args << q(a);
  p.setArguments(args);
  p.setWorkingDirectory(q(l.directory));
  if (p.startDetached()) return {};
  const std::string why = p.errorString().toStdString();
  return why.empty() ? "The program could not be started." : why;
}

RunOutcome launch(std::vector<std::string> words) {
  if (words.empty()) return {};
  auto& b = backends();
  std::string program = slashes(words.front());
  words.erase(words.begin());
  const std::string base = baseName(program);
  if (base == "hh") {
    std::string file;
    for (const auto& w : words) file += (file.empty() ? "" : " ") + w;
    openLocalOrUserInput(file);
    return {program, {}};
  }
  if (base == "winhelp") {
    if (b.help) b.help(words);
    return {program, {}};
  }
  if (std::find(b.companions.begin(), b.companions.end(), base) != b.companions.end()) {
    const std::string found = locateProgram(base);
    if (found.empty()) return {program, kNotFound};
    program = found;
  }
  Launch l{program, std::move(words), currentDirectory()};
  if (b.launcher) {
    b.launcher(l);
    return {l.program, {}};
  }
  return {l.program, startDetached(l)};
}

// A path picked as it stands holds blanks of its own: when the whole line names a file, it
// is the program rather than a program and its arguments.
std::vector<std::string> commandWords(std::string_view line) {
  line = clipped(line);
  const std::string whole =
      slashes(line.substr(std::min(line.find_first_not_of(' '), line.size())));
  if (whole.find('/') != std::string::npos && QFileInfo(q(whole)).isFile()) return {whole};
  return splitCommandLine(line);
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  std::string cur;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\') {
      std::size_t n = 0;
      while (i + n < line.size() && line[i + n] == '\\') ++n;
      if (i + n < line.size() && line[i + n] == '"') {
        cur.append(n / 2, '\\');
        if (n % 2) {
          cur += '"';
          i += n;  // the quote is taken as a literal
        } else {
          i += n - 1;  // the quote is handled next round
        }
      } else {
        cur.append(n, '\\');
        i += n - 1;
      }
      inWord = true;
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        cur += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      inWord = true;
      continue;
    }
    if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0')) {
      if (inWord) out.push_back(std::move(cur));
      cur.clear();
      inWord = false;
      continue;
    }
    cur += c;
    inWord = true;
  }
  if (inWord) out.push_back(std::move(cur));
  return out;
}

std::string quoteCommandWord(std::string_view word) {
  if (splitCommandLine(word) == std::vector<std::string>{std::string(word)})
    return std::string(word);
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: there they are doubled and the quote escaped.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + '"';
}

RunOutcome RUN(std::string_view commandLine) {
  return launch(commandWords(commandLine));
}

RunOutcome RUN(std::string_view commandLine, std::string_view argument) {
  auto words = commandWords(commandLine);
  // No program configured: running the file itself would execute a document.
  if (words.empty()) {
    openLocalOrUserInput(argument);
    return {};
  }
  words.emplace_back(clipped(argument));
  return launch(std::move(words));
}

void setCompanionPrograms(std::vector<std::string> names) {
  for (std::string& n : names) n = lower(n);
  backends().companions = std::move(names);
}

void setProgramDirectory(std::string dir) {
  backends().programDir = std::move(dir);
}

std::string locateProgram(std::string_view name) {
  const std::string base = baseName(slashes(name));
  QString beside = q(backends().programDir);
  if (beside.isEmpty() && QCoreApplication::instance())
    beside = QCoreApplication::applicationDirPath();
  // The working directory first, then beside the running program; in each, the plain name
  // before a copy that kept the Windows ".exe".
  for (const QString& dir : {QDir::currentPath(), beside}) {
    if (dir.isEmpty()) continue;
    for (const std::string& file : {base, base + ".exe"}) {
      std::string found = findIn(dir, file);
      if (!found.empty()) return found;
    }
  }
  return {};
}

bool ChangeDirectory(std::string_view path) {
  return QDir::setCurrent(q(slashes(path)));
}

std::string currentDirectory() {
  const QString cur = QDir::currentPath();
  const QString canon = QFileInfo(cur).canonicalFilePath();
  return (canon.isEmpty() ? cur : canon).toStdString();
}

QUrl shellUrl(std::string_view target) {
  std::string_view t = clipped(target);
  if (t.size() > kShellTargetMax) {
    std::size_t n = kShellTargetMax;
    // Back off to the start of a UTF-8 character when the cut falls inside one.
    while (n > 0 && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80) --n;
    t = t.substr(0, n);
  }
  if (t.empty()) return QUrl();
  const std::string low = lower(t.substr(0, 7));
  for (std::string_view scheme : {"mailto:", "http:", "https:", "ftp:"}) {
    if (low.starts_with(scheme)) return QUrl(q(t), QUrl::TolerantMode);
  }
  const QString local = q(slashes(t));
  const QFileInfo fi(local);
  if (fi.exists()) return QUrl::fromLocalFile(fi.absoluteFilePath());
  return QUrl::fromUserInput(q(t));
}

void ShellOpen(std::string_view target) {
  auto& b = backends();
  if (b.opener) b.opener(shellUrl(target));
}

void setLauncher(std::function<void(const Launch&)> launcher) {
  backends().launcher = std::move(launcher);
}
void setUrlOpener(std::function<void(const QUrl&)> opener) {
  backends().opener = std::move(opener);
}
void setHelpHandler(std::function<void(const std::vector<std::string>&)> help) {
  backends().help = std::move(help);
}

}  // namespace rt
