#include "platform/stream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/file_attributes.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

std::string SystemErrorText(int err) { return std::strerror(err); }

}  // namespace

TPixFileStream::TPixFileStream(const std::string& path, TFileMode mode) : m_path(path) {
  if (mode == TFileMode::fmOpenRead) {
    // Without blocking: a named pipe or a device among the pictures must
    // fail at once, not wait for a writer that never comes.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
      const int err = errno;
      throw EPixStreamError(path, "Cannot open file: " + SystemErrorText(err), err);
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      const int err = S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
      ::close(m_fd);
      m_fd = -1;
      throw EPixStreamError(path, "Cannot open file: " + SystemErrorText(err), err);
    }
    return;
  }
  // Root ignores permission bits; the read-only attribute must still protect the file.
  if (FileExists(path) && IsReadOnly(path))
    throw EPixStreamError(path, "Cannot create file: " + SystemErrorText(EACCES), EACCES);
  m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (m_fd < 0) {
    const int err = errno;
    throw EPixStreamError(path, "Cannot create file: " + SystemErrorText(err), err);
  }
}

TPixFileStream::~TPixFileStream() {
  if (m_fd >= 0) ::close(m_fd);
}

int64_t TPixFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(m_fd, out + done, static_cast<size_t>(count - done), m_position);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) m_lastError = errno;
    if (n <= 0) break;
    done += n;
    m_position += n;
  }
  return done;
}

int64_t TPixFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(m_fd, in + done, static_cast<size_t>(count - done), m_position);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      m_lastError = n < 0 ? errno : ENOSPC;
      break;
    }
    done += n;
    m_position += n;
  }
  return done;
}

int64_t TPixFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = m_position;
  if (origin == TSeekOrigin::soEnd) base = Size();
  m_position = std::max<int64_t>(0, base + offset);
  return m_position;
}

int64_t TPixFileStream::Position() const { return m_position; }

void TPixFileStream::Sync() {
  while (::fsync(m_fd) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    // Pipes and the like cannot be synced; there is nothing to wait for.
    if (err == EINVAL || err == EROFS) return;
    m_lastError = err;
    throw EPixStreamError(m_path, "Cannot write file: " + SystemErrorText(err), err);
  }
}

int64_t TPixFileStream::Size() const {
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size);
}

TPixMemoryStream::TPixMemoryStream(const void* bytes, int64_t count) {
  if (count > 0) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    m_data.assign(p, p + count);
  }
}

int64_t TPixMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || m_position >= Size()) return 0;
  int64_t n = std::min(count, Size() - m_position);
  std::memcpy(buffer, m_data.data() + m_position, static_cast<size_t>(n));
  m_position += n;
  return n;
}

int64_t TPixMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (m_writeLimit >= 0) {
    count = std::min(count, m_writeLimit);
    m_writeLimit -= count;
    if (m_writeLimit == 0) m_lastError = ENOSPC;
    if (count == 0) return 0;
  }
  int64_t end = m_position + count;
  if (end > Size()) m_data.resize(static_cast<size_t>(end));
  std::memcpy(m_data.data() + m_position, buffer, static_cast<size_t>(count));
  m_position = end;
  return count;
}

int64_t TPixMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = m_position;
  if (origin == TSeekOrigin::soEnd) base = Size();
  m_position = std::max<int64_t>(0, base + offset);
  return m_position;
}

int64_t TPixViewStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || m_position >= m_size) return 0;
  const int64_t n = std::min(count, m_size - m_position);
  std::memcpy(buffer, m_data + m_position, static_cast<size_t>(n));
  m_position += n;
  return n;
}

int64_t TPixViewStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = m_position;
  if (origin == TSeekOrigin::soEnd) base = m_size;
  m_position = std::max<int64_t>(0, base + offset);
  return m_position;
}

}  // namespace pix
