#pragma once
// Little-endian field access, the one checked write routine every writer
// sends its bytes through, and buffered readers and writers for codecs that
// take or give a byte at a time.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Writes count bytes; when the stream takes fewer, sets AbortFlag and returns
// false. Once AbortFlag is set, writes nothing and returns false.
bool WriteChecked(TPixStream& stream, const void* data, int64_t count, TProgressRecord& progress);
bool WriteByte(TPixStream& stream, uint8_t value, TProgressRecord& progress);
bool WriteLE16(TPixStream& stream, uint16_t value, TProgressRecord& progress);
bool WriteLE32(TPixStream& stream, uint32_t value, TProgressRecord& progress);

// Bounds-checked little-endian reads from a buffer; callers check the size.
inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Stream reads that report whether every byte arrived.
bool ReadByte(TPixStream& stream, uint8_t& value);
bool ReadLE16(TPixStream& stream, uint16_t& value);
bool ReadLE32(TPixStream& stream, uint32_t& value);

// Bytes left in the stream after its position (0 when it is at or past the end).
int64_t BytesLeft(const TPixStream& stream);

// Reads a stream through a buffer and never past limit bytes from where it
// started (nor past the stream's end), so a decoder can take one byte at a
// time cheaply and a hostile length cannot make it read on. The stream's
// position is undefined while the reader works on it.
class TBufferedReader {
public:
  TBufferedReader(TPixStream& stream, int64_t limit);

  // Next byte; false at the end of the data.
  bool Next(uint8_t& value) {
    if (m_at == m_end && !Refill()) return false;
    value = m_buffer[m_at++];
    return true;
  }
  // The next byte without taking it, or -1 at the end.
  int Peek() {
    if (m_at == m_end && !Refill()) return -1;
    return m_buffer[m_at];
  }
  // Copies up to count bytes to out; returns how many arrived.
  int64_t Read(uint8_t* out, int64_t count);
  // The bytes ready without another stream read (refilled first when there
  // are none); empty at the end of the data. Skip takes some of them.
  std::span<const uint8_t> Window() {
    if (m_at == m_end) Refill();
    return {m_buffer.data() + m_at, m_end - m_at};
  }
  void Skip(size_t count) { m_at += std::min(count, m_end - m_at); }
  // Bytes taken so far.
  int64_t Consumed() const { return m_consumed - static_cast<int64_t>(m_end - m_at); }

private:
  bool Refill();

  TPixStream& m_stream;
  int64_t m_left;          // bytes the reader may still take from the stream
  int64_t m_consumed = 0;  // bytes taken from the stream into the buffer
  std::vector<uint8_t> m_buffer;
  size_t m_at = 0;
  size_t m_end = 0;
};

// Collects small writes and passes them on through WriteChecked in large
// blocks. Once AbortFlag is set nothing more is written. Flush before the
// object goes away: the destructor drops what is left.
class TBufferedWriter {
public:
  TBufferedWriter(TPixStream& stream, TProgressRecord& progress);

  void Put(uint8_t value) {
    if (m_used == m_buffer.size()) Flush();
    m_buffer[m_used++] = value;
    ++m_written;
  }
  void Write(const void* data, int64_t count);
  // Writes what is collected; false once AbortFlag is set.
  bool Flush();
  // Bytes taken so far, collected or written.
  int64_t Written() const { return m_written; }

private:
  TPixStream& m_stream;
  TProgressRecord& m_progress;
  std::vector<uint8_t> m_buffer;
  size_t m_used = 0;
  int64_t m_written = 0;
};

}  // namespace pix
