#include "common/Procedures.h"

#include <map>
#include <string>

namespace {

std::map<std::string, ProcedureInfo, std::less<>>& table() {
  static std::map<std::string, ProcedureInfo, std::less<>> t;
  return t;
}

ProcedureInfo* lookup(std::string_view name) {
  auto it = table().find(name);
  return it == table().end() ? nullptr : &it->second;
}

}  // namespace

ProcedureRegistration::ProcedureRegistration(std::initializer_list<ProcedureInfo> procedures) {
  for (const ProcedureInfo& p : procedures) {
    auto [it, added] = table().try_emplace(p.name, p);
    if (!added && p.entry) it->second.entry = p.entry;
  }
}

ProcedureEntry FindProcedure(std::string_view name) {
  const ProcedureInfo* p = lookup(name);
  return p ? p->entry : nullptr;
}

bool ProcedureAvailable(std::string_view name) {
  return FindProcedure(name) != nullptr;
}

long ProcedureStack(std::string_view name) {
  const ProcedureInfo* p = lookup(name);
  return p ? p->stack : kSmallStack;
}

ProcedureEntry SetProcedure(std::string_view name, ProcedureEntry entry) {
  ProcedureInfo* p = lookup(name);
  if (!p) return nullptr;
  ProcedureEntry previous = p->entry;
  p->entry = entry;
  return previous;
}
