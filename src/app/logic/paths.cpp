#include "app/logic/paths.h"

#include "app/logic/text_case.h"

namespace pix {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Position of the dot that starts the extension of the file-name part, or npos.
size_t ExtensionDot(const std::string& path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos) return dot;
  size_t slash = path.find_last_of(kPathDelimiter);
  if (slash != std::string::npos && slash > dot) return std::string::npos;
  return dot;
}

}  // namespace

std::string AddTrailingDelimiter(const std::string& path) {
  size_t first = 0;
  size_t last = path.size();
  while (first < last && IsBlankOrControl(path[first])) ++first;
  while (last > first && IsBlankOrControl(path[last - 1])) --last;
  std::string result = path.substr(first, last - first);
  if (result.empty() || result.back() != kPathDelimiter) result += kPathDelimiter;
  return result;
}

std::string RemoveTrailingDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == kPathDelimiter) return path.substr(0, path.size() - 1);
  return path;
}

std::string StripPrefix(const std::string& text, const std::string& prefix) {
  if (text.compare(0, prefix.size(), prefix) == 0) return text.substr(prefix.size());
  return text;
}

std::string LowerExtension(const std::string& path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? std::string() : LowerCase(path.substr(dot + 1));
}

std::string PathWithoutExtension(const std::string& path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string JpegNameFor(const std::string& path) { return PathWithoutExtension(path) + ".jpg"; }

std::string ComposeFolderPath(const std::string& folderText, const std::string& relative) {
  std::string folder = AddTrailingDelimiter(folderText) + relative;
  if (folder.back() != kPathDelimiter) folder += kPathDelimiter;
  return folder;
}

std::string ComposeFilePath(const std::string& folderText, const std::string& relative,
                            const std::string& fileName) {
  return ComposeFolderPath(folderText, relative) + fileName;
}

}  // namespace pix
