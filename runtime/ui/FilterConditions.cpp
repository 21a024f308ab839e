#include "runtime/ui/FilterConditions.h"

namespace rt {

std::vector<View::TextCondition> textConditions(const Expression& filter, const KeyedFile& file) {
  std::vector<View::TextCondition> out;
  const FileDesc& desc = file.desc();
  const char* record = static_cast<const char*>(file.record());
  for (Expression::TextTerm& t : filter.textTerms()) {
    // A global or another file's field says nothing about this file's rows.
    if (t.address < record || t.address >= record + desc.recordSize) continue;
    const auto offset = static_cast<std::uint32_t>(t.address - record);
    for (std::size_t f = 0; f < desc.fields.size(); ++f) {
      const FieldDesc& field = desc.fields[f];
      if (field.offset != offset || field.size != t.size || field.type != FieldType::String)
        continue;
      out.push_back({static_cast<int>(f), t.folded, t.prefix, std::move(t.text)});
      break;
    }
  }
  return out;
}

}  // namespace rt
