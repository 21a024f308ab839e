// The page reader's directory reading: the window readpages, in which the user names a domain
// and its local directory, and ReadDomainPages, which reads every page file of that directory
// (or of one sub-directory of it) into the page files in one run.
#pragma once

#include <cstdint>

#include "runtime/text/FixedString.h"

// The reader's own globals (domainname, statustext, counttext, htmlfilename, tempfilename
// and htmllinecount are the dictionary's): one copy in the program, seen by every thread.
extern rt::Str<80> localdir;      // "Default Local Dir:"; with a sub-directory, the combined one
extern rt::Str<30> subdir;        // "OPTIONAL Sub Directory:"
extern std::int32_t filecount;    // pages read in the current run
extern rt::Str<1> readconfirmed;  // "Y" once the user confirmed reading, for the program's life
extern rt::Str<80> readdir;       // the directory listed
extern rt::Str<80> webbase;       // the web address of that directory

void readpages();
// Reads the directory the globals name; called from the window's "GO!" button.
void ReadDomainPages();
