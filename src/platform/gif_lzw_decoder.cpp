#include "platform/gif_lzw_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gif_lzw.h"

namespace pix {

namespace {

// Reads the data sub-blocks of one image through a private buffer, so that the
// stream is asked for large chunks instead of one call per sub-block; Finish
// puts the stream back where the consumed data really ends.
class TSubBlockReader {
public:
  explicit TSubBlockReader(TPixStream& stream)
      : m_stream(stream), m_size(stream.Size()), m_start(stream.Position()), m_bufferStart(m_start) {}

  // Next byte of the stream itself; false at its end.
  bool RawByte(uint8_t& value) {
    if (m_pos == m_len && !Refill()) return false;
    value = m_buffer[m_pos++];
    return true;
  }

  // Next byte of the sub-block data; false once the terminator (or the end of
  // the stream) has been met.
  bool DataByte(uint8_t& value) {
    if (m_blockLeft == 0 && !NextBlock()) return false;
    if (m_pos == m_len && !Refill()) {
      m_ended = true;
      return false;
    }
    value = m_buffer[m_pos++];
    --m_blockLeft;
    return true;
  }

  // Passes over the rest of the data through its terminator and leaves the
  // stream right after what was consumed.
  void Finish() {
    for (;;) {
      Skip(m_blockLeft);
      m_blockLeft = 0;
      if (m_ended || !NextBlock()) break;
    }
    m_stream.Seek(std::min(Position(), End()), TSeekOrigin::soBeginning);
  }

private:
  int64_t Position() const { return m_bufferStart + m_pos; }
  // Never before where we started, even on a stream positioned past its end.
  int64_t End() const { return std::max(m_size, m_start); }

  bool NextBlock() {
    uint8_t length = 0;
    if (m_ended || !RawByte(length) || length == 0) {
      m_ended = true;
      return false;
    }
    m_blockLeft = length;
    return true;
  }

  bool Refill() {
    m_bufferStart += m_len;
    m_pos = 0;
    m_len = 0;
    if (m_bufferStart >= m_size) return false;
    m_stream.Seek(m_bufferStart, TSeekOrigin::soBeginning);
    m_len = m_stream.Read(m_buffer.data(), static_cast<int64_t>(m_buffer.size()));
    if (m_len < 0) m_len = 0;
    return m_len > 0;
  }

  void Skip(int64_t count) {
    if (count <= m_len - m_pos) {
      m_pos += count;
      return;
    }
    // Jump over the rest without reading it; a jump past the end just stops there.
    int64_t target = std::min(Position() + count, End());
    m_bufferStart = target;
    m_pos = 0;
    m_len = 0;
    if (target >= m_size) m_ended = true;
  }

  TPixStream& m_stream;
  int64_t m_size;
  int64_t m_start;
  int64_t m_bufferStart;  // stream position of m_buffer[0]
  int64_t m_pos = 0;
  int64_t m_len = 0;
  int m_blockLeft = 0;
  bool m_ended = false;
  std::array<uint8_t, 32768> m_buffer{};
};

constexpr int kByteValues = 256;

// The string table: each code is its prefix code plus one last byte; length
// and first byte are kept so that a string can be written back to front.
struct TDecodeTable {
  std::array<uint16_t, kGifLzwTableSize> prefix{};
  std::array<uint8_t, kGifLzwTableSize> suffix{};
  std::array<uint8_t, kGifLzwTableSize> first{};
  std::array<uint16_t, kGifLzwTableSize> length{};
};

class TLzwDecoder {
public:
  TLzwDecoder(TSubBlockReader& reader, int codeSize, uint8_t* out, int64_t total)
      : m_reader(reader), m_codeSize(codeSize), m_clear(1 << codeSize), m_out(out), m_total(total) {
    for (int i = 0; i < std::min(m_clear, kByteValues); ++i) {
      m_table.suffix[i] = static_cast<uint8_t>(i);
      m_table.first[i] = static_cast<uint8_t>(i);
      m_table.length[i] = 1;
    }
    Reset();
  }

  // Decodes until the pixels are complete, the end code, an invalid code or the
  // end of the data; returns the number of pixels written.
  int64_t Run() {
    const int endCode = m_clear + 1;
    int code = 0;
    while (m_written < m_total && ReadCode(code)) {
      if (code == m_clear) {
        Reset();
        continue;
      }
      if (code == endCode) break;
      // Code sizes above 8 leave single-byte codes no index can hold.
      if (code < m_clear && code >= kByteValues) break;
      if (m_prev < 0) {
        // After a clear only a single byte can follow; anything else is corrupt.
        if (code > m_clear) break;
        m_out[m_written++] = static_cast<uint8_t>(code);
      } else {
        if (code > m_next) break;
        AddEntry(code);
        Emit(code);
      }
      m_prev = code;
      if (m_next == (1 << m_width) && m_width < kGifLzwMaxBits) ++m_width;
    }
    return m_written;
  }

private:
  void Reset() {
    m_next = m_clear + 2;
    m_width = m_codeSize + 1;
    m_prev = -1;
  }

  bool ReadCode(int& code) {
    while (m_bits < m_width) {
      uint8_t byte = 0;
      if (!m_reader.DataByte(byte)) return false;
      m_acc |= static_cast<uint32_t>(byte) << m_bits;
      m_bits += 8;
    }
    code = static_cast<int>(m_acc & ((1u << m_width) - 1));
    m_acc >>= m_width;
    m_bits -= m_width;
    return true;
  }

  // The entry for the previous string plus the first byte of the current one;
  // for the code just being defined (code == m_next) that byte is the previous
  // string's own first byte. A full table takes no more entries.
  void AddEntry(int code) {
    if (m_next >= kGifLzwTableSize) return;
    uint8_t last = code == m_next ? m_table.first[m_prev] : m_table.first[code];
    m_table.prefix[m_next] = static_cast<uint16_t>(m_prev);
    m_table.suffix[m_next] = last;
    m_table.first[m_next] = m_table.first[m_prev];
    m_table.length[m_next] = static_cast<uint16_t>(m_table.length[m_prev] + 1);
    ++m_next;
  }

  // Writes the string of code back to front; bytes beyond the last pixel are
  // dropped before anything is written.
  void Emit(int code) {
    int64_t length = m_table.length[code];
    int64_t room = std::min(length, m_total - m_written);
    for (int64_t k = length; k > room; --k) code = m_table.prefix[code];
    uint8_t* p = m_out + m_written + room;
    for (int64_t k = 0; k < room; ++k) {
      *--p = m_table.suffix[code];
      code = m_table.prefix[code];
    }
    m_written += room;
  }

  TSubBlockReader& m_reader;
  int m_codeSize;
  int m_clear;
  uint8_t* m_out;
  int64_t m_total;
  int64_t m_written = 0;
  int m_next = 0;
  int m_width = 0;
  int m_prev = -1;
  uint32_t m_acc = 0;
  int m_bits = 0;
  TDecodeTable m_table;
};

// Code sizes that leave room for the clear and end codes within 12 bits. Files
// use 1 (below the rule of at least 2) and 9 to 11 (with byte values only)
// unambiguously, so they are read as well.
bool ValidCodeSize(int codeSize) { return codeSize >= 1 && codeSize < kGifLzwMaxBits; }

int64_t DecodeInto(TSubBlockReader& reader, uint8_t* out, int64_t total) {
  uint8_t codeSize = 0;
  if (!reader.RawByte(codeSize) || !ValidCodeSize(codeSize)) return 0;
  auto decoder = std::make_unique<TLzwDecoder>(reader, codeSize, out, total);
  return decoder->Run();
}

}  // namespace

void GifLzwDecode(TPixStream& stream, int32_t height, int32_t width, bool interlaced, uint8_t* buffer) {
  const int64_t total = (width > 0 && height > 0) ? static_cast<int64_t>(width) * height : 0;
  TSubBlockReader reader(stream);
  if (!interlaced || total == 0) {
    int64_t written = DecodeInto(reader, buffer, total);
    if (written < total) std::memset(buffer + written, 0, static_cast<size_t>(total - written));
  } else {
    std::vector<uint8_t> stored(static_cast<size_t>(total), 0);
    DecodeInto(reader, stored.data(), total);
    std::vector<int32_t> order = InterlacedRowOrder(height);
    for (int32_t i = 0; i < height; ++i)
      std::memcpy(buffer + static_cast<int64_t>(order[i]) * width, stored.data() + static_cast<int64_t>(i) * width,
                  static_cast<size_t>(width));
  }
  reader.Finish();
}

}  // namespace pix
