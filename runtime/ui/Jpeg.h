// Pictures for image controls and the frame's background. JPEG files are decoded with
// libjpeg; other formats through Qt's own readers.
#pragma once

#include <QImage>
#include <string>
#include <string_view>

namespace rt {

// Decodes a JPEG file; a null image when the file is missing or not a JPEG it can read.
QImage decodeJpeg(const std::string& path);
QImage decodeJpeg(const unsigned char* data, std::size_t size);

// A picture file or resource: ":/name" resources first, then the file itself; the name is
// clipped and "\" counts as "/".
QImage loadPicture(std::string_view name);

}  // namespace rt
