#include "runtime/ui/QtText.h"

namespace rt {

QString qtText(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string storedText(const QString& text) {
  return text.toStdString();
}

}  // namespace rt
