// Stored bytes and the text Qt shows for them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace rt {

QString qtText(std::string_view bytes);
// What the user typed or the program set, as stored text (UTF-8).
std::string storedText(const QString& text);

}  // namespace rt
