// RLE8 and RLE4: the decoder of the reader and the line encoder of the writer.
#include <algorithm>
#include <cstring>

#include "codecs/bmp/detail/bmp_format.h"

namespace pix::bmp {

namespace {

// Walks the command pairs with a cursor that never leaves the data, and a pen
// (stored row, column) that only ever writes inside the image.
class TRleDecoder {
public:
  TRleDecoder(const uint8_t* data, int64_t size, int depth, TRleTarget& target, TProgressRecord& progress)
      : m_data(data),
        m_size(size > 0 ? size : 0),
        m_nibbles(depth == 4),
        m_target(target),
        m_progress(progress),
        m_width(target.Image.Width()),
        m_height(target.Image.Height()) {
    SelectRow();
  }

  void Run() {
    while (Has(2)) {
      const uint8_t count = m_data[m_pos];
      const uint8_t value = m_data[m_pos + 1];
      m_pos += 2;
      if (count > 0) {
        PutRun(count, value);
        continue;
      }
      switch (value) {
        case 0:
          if (!EndOfLine()) return;
          break;
        case 1:
          return;
        case 2:
          if (!Delta()) return;
          break;
        default:
          if (!Literal(value)) return;
          break;
      }
    }
    // The data ran out before its end-of-bitmap code.
    NoteShortData();
  }

private:
  bool Has(int64_t n) const { return m_pos + n <= m_size; }
  void NoteShortData() {
    if (!m_progress.Aborted()) m_progress.NoteDamage(frTruncated);
  }

  void SelectRow() {
    if (m_stored >= m_height) {
      m_row = nullptr;
      return;
    }
    const int64_t y = m_target.TopDown ? m_stored : m_height - 1 - m_stored;
    m_row = m_target.Image.ScanLine(static_cast<int32_t>(y));
  }

  void Put(uint8_t index) {
    // Past the right edge the pen stays put: everything up to the next end of
    // line falls outside the image.
    if (m_x >= m_width) return;
    std::memcpy(m_row + 3 * m_x, &m_target.Palette[index], 3);
    ++m_x;
  }

  void PutRun(int count, uint8_t value) {
    if (!m_nibbles) {
      for (int i = 0; i < count && m_x < m_width; ++i) Put(value);
      return;
    }
    const uint8_t pair[2] = {static_cast<uint8_t>(value >> 4), static_cast<uint8_t>(value & 0x0F)};
    for (int i = 0; i < count && m_x < m_width; ++i) Put(pair[i & 1]);
  }

  bool Literal(int count) {
    const int64_t dataBytes = m_nibbles ? (count + 1) / 2 : count;
    const int64_t available = std::min<int64_t>(dataBytes, m_size - m_pos);
    const uint8_t* bytes = m_data + m_pos;
    for (int i = 0; i < count; ++i) {
      const int64_t at = m_nibbles ? i / 2 : i;
      if (at >= available) break;
      uint8_t index = bytes[at];
      if (m_nibbles) index = (i & 1) ? (index & 0x0F) : (index >> 4);
      Put(index);
    }
    if (available < dataBytes) {
      NoteShortData();
      return false;
    }
    m_pos = std::min(m_size, m_pos + dataBytes + (dataBytes & 1));
    return true;
  }

  bool EndOfLine() {
    ++m_stored;
    m_x = 0;
    if (m_stored >= m_height) return false;
    SelectRow();
    // The row just entered has index height - 1 - stored from the top, so
    // height minus that index is stored + 1.
    ReportRowProgress(m_progress, m_stored + 1, m_target.Step);
    return !m_progress.Aborted();
  }

  bool Delta() {
    if (!Has(2)) {
      NoteShortData();
      return false;
    }
    const uint8_t dx = m_data[m_pos];
    const uint8_t dy = m_data[m_pos + 1];
    m_pos += 2;
    m_x = std::min<int64_t>(m_x + dx, m_width);
    m_stored += dy;
    if (m_stored >= m_height) return false;
    SelectRow();
    return true;
  }

  const uint8_t* m_data;
  int64_t m_size;
  bool m_nibbles;
  TRleTarget& m_target;
  TProgressRecord& m_progress;
  int64_t m_width;
  int64_t m_height;
  int64_t m_pos = 0;
  int64_t m_stored = 0;  // rows entered so far; 0 is the first stored row
  int64_t m_x = 0;
  uint8_t* m_row = nullptr;
};

// Appends a literal stretch in chunks of at most 255 pixels.
class TRleWriter {
public:
  TRleWriter(int depth, uint8_t* out) : m_nibbles(depth == 4), m_out(out) {}

  void Pair(int a, int b) {
    m_out[m_len++] = static_cast<uint8_t>(a);
    m_out[m_len++] = static_cast<uint8_t>(b);
  }

  void Run(int count, uint8_t index) {
    Pair(count, m_nibbles ? static_cast<uint8_t>((index & 0x0F) * 16 + (index & 0x0F)) : index);
  }

  void Literals(const uint8_t* indices, int64_t count) {
    while (count > 0) {
      const int a = static_cast<int>(std::min<int64_t>(count, 255));
      if (m_nibbles)
        Chunk4(indices, a);
      else
        Chunk8(indices, a);
      indices += a;
      count -= a;
    }
  }

  int64_t Length() const { return m_len; }

private:
  void Chunk8(const uint8_t* p, int a) {
    if (a == 1) return Pair(1, p[0]);
    if (a == 2) {
      Pair(1, p[0]);
      return Pair(1, p[1]);
    }
    Pair(0, a);
    std::memcpy(m_out + m_len, p, static_cast<size_t>(a));
    m_len += a;
    if (a & 1) m_out[m_len++] = 0;
  }

  void Chunk4(const uint8_t* p, int a) {
    if (a == 1) return Pair(1, (p[0] & 0x0F) * 16);
    if (a == 2) return Pair(2, (p[0] & 0x0F) * 16 + (p[1] & 0x0F));
    Pair(0, a);
    for (int i = 0; i + 1 < a; i += 2) m_out[m_len++] = static_cast<uint8_t>((p[i] & 0x0F) * 16 + (p[i + 1] & 0x0F));
    if (a & 1) m_out[m_len++] = static_cast<uint8_t>((p[a - 1] & 0x0F) * 16);
    if (((a + 1) / 2) & 1) m_out[m_len++] = 0;
  }

  bool m_nibbles;
  uint8_t* m_out;
  int64_t m_len = 0;
};

}  // namespace

void DecodeRle(const uint8_t* data, int64_t size, int depth, TRleTarget& target, TProgressRecord& progress) {
  if (!data || target.Image.Empty()) return;
  TRleDecoder(data, size, depth, target, progress).Run();
}

int64_t EncodeRleLine(const uint8_t* indices, int32_t width, int depth, uint8_t* out) {
  TRleWriter writer(depth, out);
  int64_t p = 0;
  int64_t l = 0;
  while (p < width) {
    if (p - l > 255) {
      writer.Literals(indices + l, p - l);
      l = p;
    }
    if (p + 1 < width && indices[p] == indices[p + 1]) {
      writer.Literals(indices + l, p - l);
      int64_t e = p + 2;
      while (e < width && indices[e] == indices[p] && e - p < 255) ++e;
      writer.Run(static_cast<int>(e - p), indices[p]);
      l = p = e;
    } else {
      ++p;
    }
  }
  writer.Literals(indices + l, p - l);
  writer.Pair(0, 0);
  return writer.Length();
}

}  // namespace pix::bmp
