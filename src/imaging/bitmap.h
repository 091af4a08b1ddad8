#pragma once
// The working image: one contiguous pixel block, rows bottom-up, each row padded
// to 4 bytes. ScanLine(y) counts rows from the top, so ScanLine(y + 1) ==
// ScanLine(y) - RowStride().
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/pix_defs.h"
#include "imaging/pixel_block.h"

namespace pix {

// TrueColor: 3 bytes per pixel, blue, green, red. Bilevel: 8 pixels per byte,
// most significant bit first, set = white. Bgrx32 stands for the foreign formats
// a plain picture control may hold; the library converts it before saving.
enum class TPixelFormat { Bilevel, TrueColor, Bgrx32 };

int BitsPerPixelOf(TPixelFormat format);
// ((width * bits + 31) / 32) * 4; throws EPixOutOfMemory when it overflows.
int64_t RowStrideFor(int32_t width, TPixelFormat format);

class TBitmap;

// The drawing canvas: a brush and a filled rectangle, drawn straight into the
// pixel block (so there is nothing to flush before direct row access).
class TCanvas {
public:
  struct TBrush {
    TColor Color = 0x00FFFFFF;
  };
  explicit TCanvas(TBitmap& owner) : m_owner(owner) {}
  TBrush Brush;
  // Fills the rectangle (top-based, right/bottom exclusive, clipped) with the
  // brush colour; on a Bilevel image light colours become white.
  void FillRect(const TRect& rect);

private:
  TBitmap& m_owner;
};

class TBitmap {
public:
  TBitmap();
  TBitmap(int32_t width, int32_t height, TPixelFormat format = TPixelFormat::TrueColor);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  TPixelFormat PixelFormat() const { return m_format; }
  int BitsPerPixel() const { return BitsPerPixelOf(m_format); }
  int64_t RowStride() const { return m_stride; }
  bool Empty() const { return m_width <= 0 || m_height <= 0; }

  // Each change reallocates a zero-filled block; content is not carried over.
  // Negative sizes count as 0. Throws EPixOutOfMemory when the block cannot be had.
  void SetWidth(int32_t width) { SetSize(width, m_height); }
  void SetHeight(int32_t height) { SetSize(m_width, height); }
  void SetSize(int32_t width, int32_t height);
  void SetPixelFormat(TPixelFormat format);
  // Format and size in one allocation.
  void Allocate(int32_t width, int32_t height, TPixelFormat format);
  // For a caller that writes every pixel next: keeps the present block when it
  // is large enough (and not more than twice too large), or takes one this
  // thread kept, instead of paying for fresh zeroed pages; row padding is
  // cleared. The pixels' content is undefined until the caller writes them.
  void ReshapeForOverwrite(int32_t width, int32_t height, TPixelFormat format);

  // Exchanges format, size and pixels with other; both objects keep their
  // identity (an operation can hand its result to the image without a copy).
  void SwapContent(TBitmap& other) noexcept;

  // Row y counted from the top; y must be in [0, Height()).
  uint8_t* ScanLine(int32_t y) { return m_bits + static_cast<int64_t>(m_height - 1 - y) * m_stride; }
  const uint8_t* ScanLine(int32_t y) const {
    return m_bits + static_cast<int64_t>(m_height - 1 - y) * m_stride;
  }
  // Start of the block, i.e. the bottom row; nullptr for an empty bitmap.
  uint8_t* Bits() { return m_bits; }
  const uint8_t* Bits() const { return m_bits; }
  int64_t ByteSize() const { return m_stride * (m_height > 0 ? m_height : 0); }

  TCanvas& Canvas() { return m_canvas; }

  bool Modified() const { return m_modified; }
  void SetModified(bool modified) { m_modified = modified; }

private:
  void Reallocate();

  int32_t m_width = 0;
  int32_t m_height = 0;
  TPixelFormat m_format = TPixelFormat::TrueColor;
  int64_t m_stride = 0;
  TPixelBlock m_block;
  uint8_t* m_bits = nullptr;
  TCanvas m_canvas;
  bool m_modified = false;
};

// Largest pixel block a bitmap allocates (bytes); larger sizes throw
// EPixOutOfMemory. 16 GiB unless lowered (fuzzing lowers it).
int64_t MaxBitmapBytes();
void SetMaxBitmapBytes(int64_t bytes);

// Copies format, size and pixels of source into dest (dest keeps its identity).
// An empty source leaves dest 1 x 1 in the source's format.
void CopyImage(const TBitmap& source, TBitmap& dest);

// Same format, size and stored bytes (row padding included).
bool SamePixels(const TBitmap& a, const TBitmap& b);

// Converts a Bgrx32 bitmap to TrueColor in place; other formats are left alone.
void ConvertToTrueColor(TBitmap& bitmap);

}  // namespace pix
