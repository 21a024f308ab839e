#include "dictionary/Records.h"

#include <stdexcept>
#include <string>

namespace {
// The forty lines of a block are contiguous, so line n lies n - 1 widths after the first.
template <class R>
rt::Str<200>& lineOf(R* rec, std::size_t firstOffset, int n) {
  auto* base = reinterpret_cast<char*>(rec) + firstOffset;
  return *reinterpret_cast<rt::Str<200>*>(base + 200 * static_cast<std::size_t>(n - 1));
}
}  // namespace

rt::Str<200>& WPFormRecord::FormLine(int n) {
  if (n < 1 || n > 40) throw std::out_of_range("WPF:FORMLINE" + std::to_string(n));
  return lineOf(this, offsetof(WPFormRecord, FORMLINE1), n);
}

rt::Str<200>& WPScriptsRecord::ScriptLine(int n) {
  if (n < 1 || n > 40) throw std::out_of_range("WPS:SCRIPTLINE" + std::to_string(n));
  return lineOf(this, offsetof(WPScriptsRecord, SCRIPTLINE1), n);
}

DomainsBuffer DOM;
RegistrarsBuffer REG;
HostsBuffer HOS;
WebPagesBuffer WEB;
WPMetaRecord WPM;
WPLinksRecord WPL;
WPIMGRecord WPI;
WPFormRecord WPF;
WPScriptsRecord WPS;
IntlinkRecord INL;
DnotesBuffer DNO;
EditorRecord EDI;
