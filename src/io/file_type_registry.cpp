#include "io/file_type_registry.h"

#include "io/format_table.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace pix {

namespace {

char LowerAscii(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// True when the ";"-separated list holds the extension.
bool ListHolds(const std::string& list, std::string_view extension) {
  std::string_view rest = list;
  for (;;) {
    const size_t cut = rest.find(';');
    if (SameTextIgnoringCase(rest.substr(0, cut), extension)) return true;
    if (cut == std::string_view::npos) return false;
    rest.remove_prefix(cut + 1);
  }
}

}  // namespace

TPixFileTypes::TPixFileTypes() {
  for (const TFormatRow& row : FormatRows())
    Add(TPixFileTypeInfo{row.Type, row.Description, row.RegistryExtensions, {}, {}, {}});
}

void TPixFileTypes::Add(TPixFileTypeInfo info) {
  if (info.Description.size() > kMaxFileTypeText) info.Description.resize(kMaxFileTypeText);
  if (info.Extensions.size() > kMaxFileTypeText) info.Extensions.resize(kMaxFileTypeText);
  auto at = std::upper_bound(m_types.begin(), m_types.end(), info.FileType,
                             [](int32_t code, const TPixFileTypeInfo& t) { return code < t.FileType; });
  m_types.insert(at, std::move(info));
}

TPixFileTypeInfo* TPixFileTypes::FindByExtension(const std::string& extension) {
  std::string_view ext = extension;
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  if (ext.empty()) return nullptr;
  for (auto& t : m_types)
    if (ListHolds(t.Extensions, ext)) return &t;
  return nullptr;
}

TPixFileTypeInfo* TPixFileTypes::FindByType(int32_t fileType) {
  for (auto& t : m_types)
    if (t.FileType == fileType) return &t;
  return nullptr;
}

TPixFileTypes& PixFileTypes() {
  static TPixFileTypes registry;
  return registry;
}

std::string LowerFileExtension(const std::string& path) {
  // Both delimiters count, so that a dot in a folder name is never taken for
  // the extension of a name written either way.
  const size_t nameStart = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), LowerAscii);
  return ext;
}

}  // namespace pix
