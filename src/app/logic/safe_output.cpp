#include "app/logic/safe_output.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/file_attributes.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

namespace fs = std::filesystem;

constexpr const char kPrefix[] = ".pixfold-";
constexpr size_t kPrefixLength = sizeof(kPrefix) - 1;
constexpr size_t kTagLength = 8;

std::string RandomTag() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag(kTagLength, 'a');
  for (char& c : tag) c = kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
  return tag;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Waits until the folder's entries (the rename) are on the device.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Waits until the file's data is on the device; the errno of a failure, or 0.
int SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int result = 0;
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    result = errno;
    break;
  }
  ::close(fd);
  return result;
}

}  // namespace

std::string TemporaryNameFor(const std::string& finalPath) {
  return FolderOf(finalPath) + kPrefix + RandomTag() + "-" + NameOf(finalPath);
}

bool IsOurLeftover(const std::string& fileName) {
  if (fileName.size() <= kPrefixLength + kTagLength + 1 || fileName.compare(0, kPrefixLength, kPrefix) != 0)
    return false;
  for (size_t i = kPrefixLength; i < kPrefixLength + kTagLength; ++i) {
    const char c = fileName[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return fileName[kPrefixLength + kTagLength] == '-';
}

int RemoveLeftovers(const std::string& folder) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code statError;
    // Only our own plain files: never a folder, a link or anything else.
    if (it->symlink_status(statError).type() != fs::file_type::regular || statError) continue;
    if (!IsOurLeftover(it->path().filename().string())) continue;
    const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    // A writer that is still alive holds its file locked.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(it->path().c_str()) == 0) ++removed;
    ::close(fd);
  }
  return removed;
}

TSafeOutput::TSafeOutput(std::string finalPath, TReplaceMode mode) : m_final(std::move(finalPath)), m_mode(mode) {
  // Reserve the name with an exclusive create, so that two writers can never
  // share a temporary file; the codec then writes into it.
  for (int attempt = 0;; ++attempt) {
    m_temporary = TemporaryNameFor(m_final);
    const int fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX);
      m_lockFd = fd;
      return;
    }
    const int err = errno;
    if (err != EEXIST || attempt >= 16) {
      m_temporary.clear();
      throw EPixStreamError(m_final, std::string("Cannot create file: ") + std::strerror(err), err);
    }
  }
}

TSafeOutput::~TSafeOutput() {
  if (!m_committed && !m_temporary.empty()) ::unlink(m_temporary.c_str());
  if (m_lockFd >= 0) ::close(m_lockFd);
}

TFailureReason TSafeOutput::Commit() {
  struct stat st {};
  const bool replacing = ::lstat(m_final.c_str(), &st) == 0;
  if (replacing) {
    // Nothing was there when the run decided: whatever came since is not ours.
    if (m_mode == TReplaceMode::NoFile || S_ISDIR(st.st_mode)) return frCannotWrite;
    // The read-only flag protects a file from being written over unless the
    // user chose to replace exactly this one.
    if (S_ISREG(st.st_mode) && m_mode != TReplaceMode::EvenReadOnly && IsReadOnly(m_final))
      return frPermissionDenied;
    if (const int err = SyncFile(m_temporary); err != 0) return FailureOfSystemError(err, frCannotWrite);
  }
  if (!replacing && m_mode == TReplaceMode::NoFile) {
    // Nothing was there when the run decided: a hard link claims the name
    // only if it is still free, so a file that appeared meanwhile survives.
    if (::link(m_temporary.c_str(), m_final.c_str()) == 0) {
      ::unlink(m_temporary.c_str());
      m_committed = true;
      return frNone;
    }
    if (errno == EEXIST) return frCannotWrite;
    // File systems without hard links fall back to the rename.
  }
  if (std::rename(m_temporary.c_str(), m_final.c_str()) != 0) return FailureOfSystemError(errno, frCannotWrite);
  m_committed = true;
  if (replacing) SyncFolder(FolderOf(m_final));
  return frNone;
}

}  // namespace pix
