// The launcher of the user's own programs (configured in the set-up) and of the notes.
#pragma once

void cpanel2();
