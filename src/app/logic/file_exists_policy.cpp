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

std::string NextFreeName(const std::string& path, const std::function<bool(const std::string&)>& taken) {
  const std::string stem = PathWithoutExtension(path);
  const std::string ext = LowerExtension(path);
  for (unsigned long long n = 1;; ++n) {
    std::string candidate = stem + "_" + std::to_string(n) + "." + ext;
    if (!PathEntryExists(candidate) && !(taken && taken(candidate))) return candidate;
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

TExistingFilePolicy::TExistingFilePolicy(TExistingMode mode, TAskFileExists ask)
    : m_mode(mode), m_ask(std::move(ask)) {}

std::string TExistingFilePolicy::FreeName(const std::string& destination) const {
  return NextFreeName(destination, [this](const std::string& p) { return Claimed(p); });
}

TFileDecision TExistingFilePolicy::ConvertTo(std::string destination, TReplaceMode replace, bool renamed) {
  Claim(destination);
  return {TFileAction::Convert, std::move(destination), replace, renamed};
}

bool TExistingFilePolicy::WouldAsk(const std::string& destination) const {
  return m_mode == TExistingMode::Ask && m_remembered == FileExistsAnswer::AskUser && !Claimed(destination) &&
         PathEntryExists(destination);
}

TFileDecision TExistingFilePolicy::Settle(const std::string& destination) {
  // Two files of one run that map to one name (pic.bmp and pic.jpg as JPEG)
  // must not replace each other: the later one moves aside.
  if (Claimed(destination)) return ConvertTo(FreeName(destination), TReplaceMode::NoFile, true);
  if (!PathEntryExists(destination)) return ConvertTo(destination, TReplaceMode::NoFile, false);
  switch (m_mode) {
    case TExistingMode::Replace: return ConvertTo(destination, TReplaceMode::UnlessReadOnly, false);
    case TExistingMode::Skip: return {TFileAction::Skip, destination};
    case TExistingMode::Rename: return ConvertTo(FreeName(destination), TReplaceMode::NoFile, true);
    case TExistingMode::Fail: return {TFileAction::Fail, destination};
    case TExistingMode::Ask: break;
  }
  if (m_remembered == FileExistsAnswer::AskUser) m_remembered = m_ask(destination);
  switch (m_remembered) {
    case FileExistsAnswer::ReplaceThis:
      m_remembered = FileExistsAnswer::AskUser;
      return ConvertTo(destination, TReplaceMode::EvenReadOnly, false);
    case FileExistsAnswer::ReplaceAll:
      return ConvertTo(destination, TReplaceMode::UnlessReadOnly, false);
    case FileExistsAnswer::SkipThis:
      m_remembered = FileExistsAnswer::AskUser;
      return {TFileAction::Skip, destination};
    case FileExistsAnswer::SkipAll:
      return {TFileAction::Skip, destination};
    case FileExistsAnswer::RenameThis:
      m_remembered = FileExistsAnswer::AskUser;
      return ConvertTo(FreeName(destination), TReplaceMode::NoFile, true);
    case FileExistsAnswer::RenameAll:
      return ConvertTo(FreeName(destination), TReplaceMode::NoFile, true);
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
