#include "imaging/pix_mask.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pix {

void TPixMask::Allocate(int32_t width, int32_t height, int bitsPerPixel) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  bitsPerPixel = bitsPerPixel == 1 ? 1 : 8;
  int64_t stride = bitsPerPixel == 1 ? ((static_cast<int64_t>(width) + 31) / 32) * 4 : width;
  int64_t bytes = stride * height;
  if (bytes > (int64_t{1} << 34)) throw EPixOutOfMemory("Plane too large to allocate");
  m_data.Release();
  m_pendingFill = bytes > 0;
  m_pendingValue = 0;
  m_width = width;
  m_height = height;
  m_bitsPerPixel = bitsPerPixel;
  m_stride = stride;
  m_full = false;
  EmptyBox();
}

void TPixMask::EmptyBox() {
  m_left = m_top = std::numeric_limits<int32_t>::max();
  m_right = m_bottom = 0;
}

void TPixMask::GrowBox(int32_t x, int32_t y) {
  m_left = std::min(m_left, x);
  m_top = std::min(m_top, y);
  m_right = std::max(m_right, x);
  m_bottom = std::max(m_bottom, y);
}

void TPixMask::Materialize() const {
  if (!m_pendingFill) return;
  if (!m_data.Allocate(static_cast<size_t>(ByteSize()))) throw EPixOutOfMemory();
  if (m_pendingValue != 0) std::memset(m_data.Data(), m_pendingValue, static_cast<size_t>(ByteSize()));
  m_pendingFill = false;
}

void TPixMask::Fill(uint8_t v) {
  if (m_bitsPerPixel == 8 && v == 255) {
    m_data.Release();
    m_pendingFill = ByteSize() > 0;
    m_pendingValue = 255;
    m_full = true;
  } else {
    if (ByteSize() > 0) std::memset(Bits(), m_bitsPerPixel == 8 ? v : (v ? 0xFF : 0x00), static_cast<size_t>(ByteSize()));
    if (m_bitsPerPixel == 8) m_full = false;
  }
  EmptyBox();
  if (v && m_width > 0 && m_height > 0) {
    GrowBox(0, 0);
    GrowBox(m_width - 1, m_height - 1);
  }
}

uint8_t TPixMask::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  if (m_pendingFill) return m_bitsPerPixel == 8 ? m_pendingValue : 0;
  const uint8_t* row = ScanLine(y);
  if (m_bitsPerPixel == 8) return row[x];
  return (row[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0;
}

void TPixMask::SetPixel(int32_t x, int32_t y, uint8_t v) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  uint8_t* row = ScanLine(y);
  if (m_bitsPerPixel == 8) {
    row[x] = v;
    if (v != 255) m_full = false;
  } else {
    uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = v ? (row[x >> 3] | mask) : (row[x >> 3] & static_cast<uint8_t>(~mask));
  }
  if (v) GrowBox(x, y);
}

void TPixMask::SyncBox() {
  EmptyBox();
  if (m_width <= 0 || m_height <= 0) return;
  if (m_pendingFill) {
    if (GetPixel(0, 0)) {
      GrowBox(0, 0);
      GrowBox(m_width - 1, m_height - 1);
    }
    return;
  }
  // Only the first and last set pixel of each row move the box; zero bytes
  // are skipped whole (a plane of tens of megapixels is scanned in one pass).
  const bool bytes = m_bitsPerPixel == 8;
  auto set = [bytes](const uint8_t* row, int32_t x) {
    return bytes ? row[x] != 0 : (row[x >> 3] & (0x80 >> (x & 7))) != 0;
  };
  for (int32_t y = 0; y < m_height; ++y) {
    const uint8_t* row = ScanLine(y);
    int32_t first = 0;
    while (first < m_width && !set(row, first)) first = !bytes && row[first >> 3] == 0 ? (first | 7) + 1 : first + 1;
    if (first >= m_width) continue;
    int32_t last = m_width - 1;
    while (!set(row, last)) --last;
    GrowBox(first, y);
    GrowBox(last, y);
  }
}

}  // namespace pix
