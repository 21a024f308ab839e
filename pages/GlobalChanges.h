// The changes made to every page of one domain: its pages' local path (with the domain's
// default local directory), or all its pages marked in use. Each has a window that asks for
// the domain and starts the change as a batch process on a thread of its own.
#pragma once

namespace pages {

void ChgLoPaWindow();  // asks for the domain and the new local directory
void chgcurruse();     // asks for the domain
// The processes, over `domainname` and `newlocaldir`. The pages are changed in groups, each
// group (with the domain record, in the first) in one transaction: a run that is stopped or
// fails keeps every group before it.
void ChgLoPath();
void ChgLoPath1();

}  // namespace pages
