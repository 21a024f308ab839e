// Stored text is UTF-8, but old HTML files bring other bytes with them.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Valid UTF-8 for display: well-formed UTF-8 sequences stay as they are, every other byte is
// read as a Windows-1252 character.
std::string displayUtf8(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

}  // namespace rt
