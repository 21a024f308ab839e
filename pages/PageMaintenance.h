// Maintenance of the page files, the same in both programs: the key rebuild of the six page
// files and the deletion of every page of a domain with its details, with the window that
// runs the deletion. Progress goes to the globals statustext and counttext.
#pragma once

#include <cstdint>

#include "runtime/ui/Binding.h"

// What a program's deletion window holds of its own.
struct PageDeletionProgram {
  rt::Binding pageCount;      // the program's counter of pages deleted
  const char* domainTip;      // the domain entry's tip
  const char* domainMessage;  // shown while the domain entry has the focus; "" for none
};

// tarnwick's: the counter `pagecount` (SHORT), no message on the entry.
PageDeletionProgram TarnwickPageDeletion();
// The page reader's: its own LONG counter, a tip that also takes the address prefix, and the
// entry's message.
PageDeletionProgram ReaderPageDeletion(std::int32_t& pageCount);

// The deletion window "delpages" of a program, run on the calling thread until it closes.
void RunPageDeletion(const PageDeletionProgram& program);

// Deletes every WebPages record whose domain name is `domainname` as stored (the key finds
// them in any letter case; only the exact spelling is deleted) and each page's details. The
// pages are deleted in groups, each in one transaction per file, so a run that is stopped or
// killed leaves every page either whole or gone with its details. A failure is reported and
// ends the run; the pages deleted before it stay deleted.
void DeletePagesByDomain(const rt::Binding& pageCount);

// Deletes the detail records of the page in the WebPages buffer (by WEB:PAGEPATH) through
// the page-path keys; counttext counts the records read. The detail files are open. False
// when a record could not be deleted (reported).
bool ClearPageDetails();

// Rebuilds the keys of the six page files after a notice; files that other windows hold open
// stay open. A file that could not be rebuilt is reported.
void RebuildIndexes();
