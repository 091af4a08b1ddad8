#include "app/logic/folder_identity.h"

#include <filesystem>

#include "app/logic/paths.h"

namespace pix {

namespace {

namespace fs = std::filesystem;

std::string NormalisedFolder(const std::string& text) {
  std::error_code ec;
  fs::path p = fs::absolute(AddTrailingDelimiter(text), ec);
  if (ec) p = fs::path(AddTrailingDelimiter(text));
  fs::path resolved = fs::weakly_canonical(p, ec);
  std::string s = (ec ? p.lexically_normal() : resolved.lexically_normal()).string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

bool NameSameFolder(const std::string& a, const std::string& b) {
  if (NormalisedFolder(a) == NormalisedFolder(b)) return true;
  std::error_code ec;
  const std::string fa = AddTrailingDelimiter(a);
  const std::string fb = AddTrailingDelimiter(b);
  return fs::exists(fa, ec) && fs::exists(fb, ec) && fs::equivalent(fa, fb, ec) && !ec;
}

}  // namespace pix
