// tarnwick's page browse and page form. The page reader has windows of the same system
// names; these are tarnwick's own.
#pragma once

#include <string>
#include <string_view>

namespace pages {

void BrowseWebPages();
void updatewebpages1();

// The page name of a local file: its path below the domain's local directory, "/"
// separated, or its file name when it lies elsewhere.
std::string PageNameOf(std::string_view localPath, std::string_view localDir);
// The web path of a page: the domain's web path, "/" and the page's name.
std::string PagePathOf(std::string_view webPath, std::string_view pageName);

}  // namespace pages
