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
  EPixStreamError(const std::string& path, const std::string& reason)
      : EPixException(reason + ": " + path), m_path(path), m_reason(reason) {}
  const std::string& Path() const { return m_path; }
  const std::string& Reason() const { return m_reason; }

private:
  std::string m_path;
  std::string m_reason;
};

}  // namespace pix
