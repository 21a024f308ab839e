// Stored bytes and the text Qt shows for them: valid UTF-8 is decoded, any other byte is
// read as a Windows-1252 character; what the user types is stored as UTF-8.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace rt {

QString qtText(std::string_view bytes);
std::string storedText(const QString& text);

// The family a font the system names is drawn with: "Arial" and "Arial Black" are the
// metric-compatible Liberation Sans; empty for every other name (the desktop's default).
QString fontFamily(std::string_view name);

// The text a control shows for its bytes, kept so that text nobody changed reads back as
// exactly those bytes, even where they were not UTF-8.
class ShownText {
 public:
  QString show(std::string_view bytes);
  std::string read(const QString& now) const;

 private:
  std::string bytes_;
  QString text_;
};

}  // namespace rt
