#include <cerrno>
#include <sys/stat.h>

#include "app/logic/file_exists_policy.h"
#include "app/logic/paths.h"
#include "platform/file_attributes.h"

namespace pix {

namespace {

bool MakeFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0777) == 0) return true;
  // Someone else made it in the meantime: it is there, which is all we need.
  return errno == EEXIST && DirectoryExists(folder);
}

bool ForceFolder(const std::string& folderWithDelimiter, const TMakeFolder& makeFolder) {
  const std::string folder = RemoveTrailingDelimiter(folderWithDelimiter);
  if (PathEntryExists(folder)) return true;
  const size_t slash = folder.find_last_of(kPathDelimiter);
  if (slash == std::string::npos || slash + 1 == folder.size()) return true;
  // The parent first, so folders come into being from the outermost missing one inwards.
  if (!ForceFolder(folder.substr(0, slash + 1), makeFolder)) return false;
  return makeFolder(folder);
}

}  // namespace

bool ForceFolderOfFile(const std::string& path) { return ForceFolderOfFile(path, MakeFolder); }

bool ForceFolderOfFile(const std::string& path, const TMakeFolder& makeFolder) {
  const size_t slash = path.find_last_of(kPathDelimiter);
  return ForceFolder(slash == std::string::npos ? std::string() : path.substr(0, slash + 1), makeFolder);
}

}  // namespace pix
