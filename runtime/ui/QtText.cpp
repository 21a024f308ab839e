#include "runtime/ui/QtText.h"

#include "runtime/text/Encoding.h"

namespace rt {

QString qtText(std::string_view bytes) {
  return QString::fromStdString(displayUtf8(bytes));
}

std::string storedText(const QString& text) {
  return text.toStdString();
}

QString fontFamily(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (name == "Arial" || name == "Arial Black") return QStringLiteral("Liberation Sans");
  return {};
}

QString ShownText::show(std::string_view bytes) {
  bytes_ = std::string(bytes);
  text_ = qtText(bytes);
  return text_;
}

std::string ShownText::read(const QString& now) const {
  return now == text_ ? bytes_ : storedText(now);
}

}  // namespace rt
