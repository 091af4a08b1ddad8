#pragma once
// A plane the size of the image: the 1-bit selection or the 8-bit alpha channel.
// Rows are bottom-up like a bitmap's; ScanLine counts from the top.
#include <cstdint>
#include <limits>

#include "imaging/pix_defs.h"
#include "imaging/pixel_block.h"

namespace pix {

class TPixMask {
public:
  TPixMask() = default;
  TPixMask(int32_t width, int32_t height, int bitsPerPixel) { Allocate(width, height, bitsPerPixel); }

  // Sizes the plane (bitsPerPixel 1 or 8): clears the data, empties the
  // bounding box and clears Full. Throws EPixOutOfMemory on absurd sizes.
  void Allocate(int32_t width, int32_t height, int bitsPerPixel);
  // Fills an 8-bit plane with v (Full exactly when v is 255); a 1-bit plane is
  // set everywhere for v != 0 and cleared otherwise.
  void Fill(uint8_t v);

  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  int BitsPerPixel() const { return m_bitsPerPixel; }
  int64_t RowStride() const { return m_stride; }
  bool Full() const { return m_full; }
  void SetFull(bool full) { m_full = full; }
  // True while an 8-bit plane filled with 255 holds no memory yet: it is
  // opaque for sure, whereas Full does not see writes through ScanLine.
  bool OpaqueWithoutData() const { return m_bitsPerPixel == 8 && m_pendingFill && m_pendingValue == 255; }

  // Row access. A plane just sized (all zero) or an 8-bit plane filled with
  // 255 holds no memory until its rows are asked for (the conversion never
  // reads its opaque alpha plane nor its empty selection).
  uint8_t* ScanLine(int32_t y) { return Bits() + static_cast<int64_t>(m_height - 1 - y) * m_stride; }
  const uint8_t* ScanLine(int32_t y) const {
    return Bits() + static_cast<int64_t>(m_height - 1 - y) * m_stride;
  }
  uint8_t* Bits() {
    Materialize();
    return m_data.Data();
  }
  const uint8_t* Bits() const {
    Materialize();
    return m_data.Data();
  }

  // Pixel access: for 1 bit the value is 0 or 1. Writing an 8-bit pixel keeps
  // Full only when the value is 255. Set pixels grow the bounding box.
  uint8_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint8_t v);

  // Bounding box of set pixels; empty while Left > Right.
  int32_t BoxLeft() const { return m_left; }
  int32_t BoxTop() const { return m_top; }
  int32_t BoxRight() const { return m_right; }
  int32_t BoxBottom() const { return m_bottom; }
  bool IsEmpty() const { return m_left == std::numeric_limits<int32_t>::max(); }
  void EmptyBox();
  // Recomputes the bounding box from the data.
  void SyncBox();

private:
  void GrowBox(int32_t x, int32_t y);
  void Materialize() const;
  int64_t ByteSize() const { return m_stride * m_height; }

  int32_t m_width = 0;
  int32_t m_height = 0;
  int m_bitsPerPixel = 8;
  int64_t m_stride = 0;
  mutable TPixelBlock m_data;
  mutable bool m_pendingFill = false;  // every byte is m_pendingValue, not yet stored
  uint8_t m_pendingValue = 0;
  int32_t m_left = std::numeric_limits<int32_t>::max();
  int32_t m_top = std::numeric_limits<int32_t>::max();
  int32_t m_right = 0;
  int32_t m_bottom = 0;
  bool m_full = false;
};

}  // namespace pix
