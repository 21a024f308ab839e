// The notes to oneself: the browse (reminder notes only while `ding` is 'Y') and the form.
#pragma once

void BrowseNotes();
void Updatednotes();
