// The splash window, also the About box of both programs. It closes by itself after eight
// seconds, on a mouse click, or when it loses the focus.
#pragma once

void splash();
