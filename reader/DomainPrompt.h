// The way to the page browse: straight there when a domain is known, else through a prompt
// for one.
#pragma once

namespace reader {

void BrowseChooser();
void getdom();

namespace domainprompt {
inline constexpr int Entry = 2, Close = 3;
}

}  // namespace reader
