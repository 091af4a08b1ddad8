#pragma once
// Byte streams: the only way codecs touch files or memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pix {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TPixStream {
public:
  virtual ~TPixStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns how many were taken.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns the new one. Positions below 0 clamp to 0.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;
  // The system error code (errno) of the last read or write that fell short,
  // 0 when none did or the stream has no such code.
  virtual int LastError() const { return 0; }

  // Convenience: true when all count bytes were read.
  bool ReadExact(void* buffer, int64_t count) { return Read(buffer, count) == count; }
};

enum class TFileMode { fmOpenRead, fmCreate };

// A file on disk. fmOpenRead opens an existing regular file for reading (a
// folder fails with EISDIR, a pipe, socket or device with ENXIO, without
// waiting on it); fmCreate creates or truncates it for reading and writing.
// Both throw EPixStreamError (path, the system's error text and code) when
// the file cannot be opened or created; creating over a read-only file fails
// even for root, as users expect of the flag.
class TPixFileStream : public TPixStream {
public:
  TPixFileStream(const std::string& path, TFileMode mode);
  ~TPixFileStream() override;
  TPixFileStream(const TPixFileStream&) = delete;
  TPixFileStream& operator=(const TPixFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Position() const override;
  int64_t Size() const override;
  int LastError() const override { return m_lastError; }
  const std::string& Path() const { return m_path; }
  // Waits until the written data is on the device; throws EPixStreamError
  // (disk full, I/O error) when it cannot get there.
  void Sync();

private:
  std::string m_path;
  int m_fd = -1;
  int64_t m_position = 0;
  int m_lastError = 0;
};

// A growable in-memory stream; also wraps a copy of existing bytes.
class TPixMemoryStream : public TPixStream {
public:
  TPixMemoryStream() = default;
  explicit TPixMemoryStream(std::vector<uint8_t> bytes) : m_data(std::move(bytes)) {}
  TPixMemoryStream(const void* bytes, int64_t count);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Position() const override { return m_position; }
  int64_t Size() const override { return static_cast<int64_t>(m_data.size()); }

  const std::vector<uint8_t>& Bytes() const { return m_data; }
  // Limits how many more bytes Write accepts (for testing short writes, which
  // then report ENOSPC as a full disk would); -1 = none.
  void SetWriteLimit(int64_t limit) { m_writeLimit = limit; }
  int LastError() const override { return m_lastError; }

private:
  std::vector<uint8_t> m_data;
  int64_t m_position = 0;
  int64_t m_writeLimit = -1;
  int m_lastError = 0;
};

// A read-only stream over bytes the caller owns and keeps alive while the
// stream is used; nothing is copied. Writes take nothing.
class TPixViewStream : public TPixStream {
public:
  TPixViewStream(const void* bytes, int64_t count)
      : m_data(static_cast<const uint8_t*>(bytes)), m_size(count > 0 ? count : 0) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Position() const override { return m_position; }
  int64_t Size() const override { return m_size; }

private:
  const uint8_t* m_data;
  int64_t m_size;
  int64_t m_position = 0;
};

}  // namespace pix
