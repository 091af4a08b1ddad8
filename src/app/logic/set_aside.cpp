#include "app/logic/set_aside.h"

#include <cstdio>
#include <filesystem>

#include "app/logic/file_exists_policy.h"

namespace pix {

namespace {

namespace fs = std::filesystem;

std::string FreeAsideName(const std::string& path) {
  for (unsigned n = 1;; ++n) {
    std::string candidate = path + ".pixfold-old" + (n == 1 ? std::string() : "-" + std::to_string(n));
    if (!PathEntryExists(candidate)) return candidate;
  }
}

}  // namespace

TSetAsideFile::TSetAsideFile(std::string path) : m_path(std::move(path)) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(m_path, ec).type();
  // A folder of that name cannot be replaced by a file anyway; it stays where it is.
  if (ec || type == fs::file_type::not_found || type == fs::file_type::directory) return;
  m_aside = FreeAsideName(m_path);
  // A rename inside one folder moves the entry itself: attributes, links and
  // the read-only flag all travel with it.
  m_moved = std::rename(m_path.c_str(), m_aside.c_str()) == 0;
  if (!m_moved) m_aside.clear();
}

TSetAsideFile::~TSetAsideFile() {
  if (m_moved) Restore();
}

void TSetAsideFile::Commit() {
  if (!m_moved) return;
  m_moved = false;
  DeleteFileForced(m_aside);
}

bool TSetAsideFile::Restore() {
  if (!m_moved) return true;
  m_moved = false;
  return std::rename(m_aside.c_str(), m_path.c_str()) == 0;
}

void TSetAsideFile::Finish(bool succeeded) {
  if (succeeded)
    Commit();
  else
    Restore();
}

}  // namespace pix
