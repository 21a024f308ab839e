#include "resources/Resources.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace rt {
namespace {

// Lower-cased relative path -> resource path, of the pictures at the root and every file of
// the help books and documents.
const QHash<QString, QString>& resourceIndex() {
  static const QHash<QString, QString> index = [] {
    QHash<QString, QString> map;
    for (const QString& root :
         {QStringLiteral(":/"), QStringLiteral(":/help"), QStringLiteral(":/docs")}) {
      const bool atRoot = root == QStringLiteral(":/");
      QDirIterator it(root, QDir::Files,
                      atRoot ? QDirIterator::NoIteratorFlags : QDirIterator::Subdirectories);
      while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(2);
        // The "~" copies answer to direct lookups by Qt; the index keeps the plain ones.
        if (atRoot && relative.startsWith(u'~')) continue;
        map.insert(relative.toLower(), path);
      }
    }
    return map;
  }();
  return index;
}

// The system's spelling of a name: padded with blanks, "\" for "/", "~" for a resource.
QString plainName(std::string_view name) {
  QString n = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).trimmed();
  n.replace(u'\\', u'/');
  if (n.startsWith(QStringLiteral(":/"))) n = n.mid(2);
  if (n.startsWith(u'~')) n = n.mid(1);
  return n;
}

QString lookup(const QString& relative) {
  return resourceIndex().value(relative.toLower());
}

// "TARNWICK.HLP", "sondrel.exe", "Tarnwick" -> "tarnwick", "sondrel".
QString bookName(std::string_view program) {
  QString p = plainName(program);
  p = QFileInfo(p).fileName();
  const qsizetype dot = p.indexOf(u'.');
  if (dot >= 0) p.truncate(dot);
  return p.toLower();
}

// Procedures that show another procedure's window open its page: "alias=page" lines.
QHash<QString, QString> pageAliases(const QString& book) {
  QHash<QString, QString> map;
  QFile f(lookup(QStringLiteral("help/%1/aliases.txt").arg(book)));
  if (!f.open(QIODevice::ReadOnly)) return map;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq > 0)
      map.insert(QString::fromUtf8(line.left(eq)).toLower(), QString::fromUtf8(line.mid(eq + 1)));
  }
  return map;
}

}  // namespace

QString resourcePath(std::string_view name) {
  const QString n = plainName(name);
  if (n.isEmpty() || n.contains(u'/')) return {};
  return lookup(n);
}

QByteArray resourceBytes(std::string_view name) {
  const QString path = resourcePath(name);
  if (path.isEmpty()) return {};
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

std::optional<QPoint> cursorHotSpot(std::string_view name) {
  const QByteArray b = resourceBytes(name);
  auto word = [&b](int at) {
    return static_cast<int>(static_cast<unsigned char>(b[at]) |
                            static_cast<unsigned char>(b[at + 1]) << 8);
  };
  // Header (reserved 0, type 2 = cursor, count) and the first directory entry.
  if (b.size() < 22 || word(0) != 0 || word(2) != 2 || word(4) < 1) return std::nullopt;
  return QPoint(word(10), word(12));
}

QString helpPage(std::string_view program, std::string_view procedure) {
  const QString book = bookName(program);
  if (book.isEmpty() || book.contains(u'/')) return {};
  const QString contents = lookup(QStringLiteral("help/%1/index.html").arg(book));
  if (contents.isEmpty()) return {};
  const QString page = plainName(procedure);
  if (page.isEmpty() || page.contains(u'/')) return contents;
  QString found = lookup(QStringLiteral("help/%1/%2.html").arg(book, page));
  if (found.isEmpty()) {
    const QString shared = pageAliases(book).value(page.toLower());
    if (!shared.isEmpty()) found = lookup(QStringLiteral("help/%1/%2.html").arg(book, shared));
  }
  return found.isEmpty() ? contents : found;
}

QString extractDocument(std::string_view name, const QString& dir) {
  const QString n = plainName(name);
  if (n.isEmpty() || n.contains(u'/')) return {};
  const QString source = lookup(QStringLiteral("docs/") + n);
  if (source.isEmpty()) return {};
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return {};
  if (!QDir().mkpath(dir)) return {};
  // Written under the shipped name, never under the caller's spelling of it.
  const QString target = QDir(dir).absoluteFilePath(QFileInfo(source).fileName());
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit()) return {};
  return target;
}

}  // namespace rt
