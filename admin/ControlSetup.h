// The set-up of the launcher: its one settings record, the globals it is copied into and
// their section "cpanel" of the program's INI file.
#pragma once

void ConfigureControlPanel();
void cpwarn();
void browsecpanel();
void controlpanel();
void closit();

// The fourteen globals from section "cpanel" (the frame, when it opens), and back to it.
void LoadControlPanel();
void SaveControlPanel();
