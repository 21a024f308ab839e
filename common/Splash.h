// The splash window, also the About box of both programs. It closes by itself after eight
// seconds, on a mouse click, or when the user moves the focus away.
#pragma once

void splash();
