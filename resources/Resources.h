// The pictures, icons, cursors, help books and companion documents compiled into both
// programs. Names are the system's own ("~tw.ico", "newtarn 2.jpg"), matched without regard
// to letter case; a leading "~" marks a resource name and is dropped.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <optional>
#include <string_view>

namespace rt {

// The Qt resource path (":/...") of a picture, icon or cursor; empty when there is none.
QString resourcePath(std::string_view name);
// Its bytes; empty when there is none.
QByteArray resourceBytes(std::string_view name);
// The hot spot of a ".cur" resource; nothing when the name is not a cursor.
std::optional<QPoint> cursorHotSpot(std::string_view name);

// The help page of a window procedure in a program's help book ("tarnwick" or "sondrel"),
// or the book's contents page when the procedure has none; empty for an unknown program.
QString helpPage(std::string_view program, std::string_view procedure = {});

// Writes a shipped document ("policy.html", "links.html") into dir so the desktop's opener
// can show it; returns the file's absolute path, or empty when the name is unknown or the
// file could not be written.
QString extractDocument(std::string_view name, const QString& dir);

}  // namespace rt
