// QuickView: every page of every domain by page name, and a form that shows one page with
// its five detail lists. Nothing is added or deleted here.
#pragma once

namespace quickview {

void BrowseWebPages2();
void UpdateWebPages();

}  // namespace quickview
