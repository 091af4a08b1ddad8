#include "app/logic/file_exists_policy.h"

#include <filesystem>
#include <unistd.h>

#include "app/logic/paths.h"
#include "platform/file_attributes.h"

namespace pix {

namespace fs = std::filesystem;

bool PathEntryExists(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

std::string NextFreeName(const std::string& path) {
  const std::string stem = PathWithoutExtension(path);
  const std::string ext = LowerExtension(path);
  for (unsigned long long n = 1;; ++n) {
    std::string candidate = stem + "_" + std::to_string(n) + "." + ext;
    if (!PathEntryExists(candidate)) return candidate;
  }
}

bool DeleteFileForced(const std::string& path) {
  std::error_code ec;
  auto type = fs::symlink_status(path, ec).type();
  if (ec || type == fs::file_type::not_found || type == fs::file_type::directory) return false;
  // Only a plain file's own flag is cleared: through a link it would change the target.
  if (type == fs::file_type::regular && IsReadOnly(path)) ClearReadOnly(path);
  return ::unlink(path.c_str()) == 0;
}

TExistingFilePolicy::TExistingFilePolicy(bool overwrite, TAskFileExists ask)
    : m_overwrite(overwrite), m_ask(std::move(ask)) {}

TFileDecision TExistingFilePolicy::Settle(const std::string& destination) {
  if (m_overwrite || !PathEntryExists(destination)) return {TFileAction::Convert, destination};
  if (m_remembered == FileExistsAnswer::AskUser) m_remembered = m_ask(destination);
  switch (m_remembered) {
    case FileExistsAnswer::ReplaceThis:
      m_remembered = FileExistsAnswer::AskUser;
      return {TFileAction::Convert, destination, true};
    case FileExistsAnswer::ReplaceAll:
      return {TFileAction::Convert, destination};
    case FileExistsAnswer::SkipThis:
      m_remembered = FileExistsAnswer::AskUser;
      return {TFileAction::Skip, destination};
    case FileExistsAnswer::SkipAll:
      return {TFileAction::Skip, destination};
    case FileExistsAnswer::RenameThis:
      m_remembered = FileExistsAnswer::AskUser;
      return {TFileAction::Convert, NextFreeName(destination)};
    case FileExistsAnswer::RenameAll:
      return {TFileAction::Convert, NextFreeName(destination)};
    case FileExistsAnswer::CancelRun:
      return {TFileAction::StopRun, destination};
    case FileExistsAnswer::AskUser:
      break;
  }
  // No usable answer: an existing file is never written over unasked.
  m_remembered = FileExistsAnswer::AskUser;
  return {TFileAction::Skip, destination};
}

}  // namespace pix
