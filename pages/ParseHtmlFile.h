// Reads the local HTML file of the page in the WebPages buffer into its inventory: title, file
// date and size, read date and flags in the buffer; one detail record per image, link, meta
// tag, script and form in the five detail files, which replace the page's old ones.
//
// Runs on the thread of the window that asks for it (the page form) and redraws that window
// while it works; the window stores the WebPages record itself. Progress goes to the globals
// statustext and counttext.
#pragma once

void ParseHtmlFile();
