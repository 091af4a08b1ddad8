#pragma once
// Root of the library's exceptions. Codecs never throw on bad data; exceptions
// are for allocation, stream and file-system failures and the JPEG writer.
#include <stdexcept>
#include <string>

namespace pix {

class EPixException : public std::runtime_error {
public:
  explicit EPixException(const std::string& message) : std::runtime_error(message) {}
};

// A pixel block or work buffer could not be allocated (or its size overflows).
class EPixOutOfMemory : public EPixException {
public:
  explicit EPixOutOfMemory(const std::string& what = "Out of memory") : EPixException(what) {}
};

// A file could not be opened, created, read or written.
class EPixStreamError : public EPixException {
public:
  EPixStreamError(const std::string& path, const std::string& reason, int errorCode = 0)
      : EPixException(reason + ": " + path), m_path(path), m_reason(reason), m_errorCode(errorCode) {}
  const std::string& Path() const { return m_path; }
  const std::string& Reason() const { return m_reason; }
  // The system's error code (errno), 0 when there was none.
  int ErrorCode() const { return m_errorCode; }

private:
  std::string m_path;
  std::string m_reason;
  int m_errorCode = 0;
};

}  // namespace pix
