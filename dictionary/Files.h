// The descriptions of the fourteen data files: fields, keys and memo of each, as the
// keyed-file driver, the bind table and query-by-example read them.
#pragma once

#include <vector>

#include "runtime/data/Layout.h"

const rt::FileDesc& DomainsDesc();
const rt::FileDesc& RegistrarsDesc();
const rt::FileDesc& HostsDesc();
const rt::FileDesc& WebPagesDesc();
const rt::FileDesc& WPMetaDesc();
const rt::FileDesc& WPLinksDesc();
const rt::FileDesc& WPIMGDesc();
const rt::FileDesc& WPFormDesc();
const rt::FileDesc& WPScriptsDesc();
const rt::FileDesc& IntlinkDesc();
const rt::FileDesc& DnotesDesc();
const rt::FileDesc& EditorDesc();
// The line files have no disk name of their own: it is taken from a global when opening.
const rt::FileDesc& DOSDesc();
const rt::FileDesc& DOS1Desc();

// All fourteen, keyed files first, in the order above.
const std::vector<const rt::FileDesc*>& AllFileDescs();

// The record buffer (and memo buffer, or nullptr) that belongs to a file description.
struct BufferRef {
  void* record;
  char* memo;
};
BufferRef BufferOf(const rt::FileDesc& desc);
