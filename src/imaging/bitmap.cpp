#include "imaging/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace pix {

namespace {

// Largest pixel block we will try to allocate: keeps absurd headers from
// exhausting memory before a codec could reject them.
int64_t g_maxBlockBytes = int64_t{1} << 34;

}  // namespace

int64_t MaxBitmapBytes() { return g_maxBlockBytes; }

void SetMaxBitmapBytes(int64_t bytes) {
  if (bytes > 0) g_maxBlockBytes = bytes;
}

int BitsPerPixelOf(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::Bilevel: return 1;
    case TPixelFormat::TrueColor: return 24;
    case TPixelFormat::Bgrx32: return 32;
  }
  return 24;
}

int64_t RowStrideFor(int32_t width, TPixelFormat format) {
  if (width <= 0) return 0;
  int64_t bits = static_cast<int64_t>(width) * BitsPerPixelOf(format);
  return ((bits + 31) / 32) * 4;
}

void TCanvas::FillRect(const TRect& rect) {
  TBitmap& bmp = m_owner;
  int32_t left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
  int32_t right = std::min(rect.Right, bmp.Width()), bottom = std::min(rect.Bottom, bmp.Height());
  if (left >= right || top >= bottom) return;
  TColor c = ResolveColor(Brush.Color);
  uint8_t r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    switch (bmp.PixelFormat()) {
      case TPixelFormat::TrueColor:
        for (int32_t x = left; x < right; ++x) {
          row[x * 3] = b;
          row[x * 3 + 1] = g;
          row[x * 3 + 2] = r;
        }
        break;
      case TPixelFormat::Bgrx32:
        for (int32_t x = left; x < right; ++x) {
          row[x * 4] = b;
          row[x * 4 + 1] = g;
          row[x * 4 + 2] = r;
          row[x * 4 + 3] = 0;
        }
        break;
      case TPixelFormat::Bilevel: {
        bool white = (static_cast<int>(r) + g + b) >= 3 * 128;
        for (int32_t x = left; x < right; ++x) {
          uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
          if (white)
            row[x >> 3] |= mask;
          else
            row[x >> 3] &= static_cast<uint8_t>(~mask);
        }
        break;
      }
    }
  }
}

TBitmap::TBitmap() : m_canvas(*this) {}

TBitmap::TBitmap(int32_t width, int32_t height, TPixelFormat format) : TBitmap() {
  Allocate(width, height, format);
}

void TBitmap::SetSize(int32_t width, int32_t height) { Allocate(width, height, m_format); }

void TBitmap::SetPixelFormat(TPixelFormat format) { Allocate(m_width, m_height, format); }

void TBitmap::Allocate(int32_t width, int32_t height, TPixelFormat format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  int64_t stride = RowStrideFor(width, format);
  if (height > 0 && stride > g_maxBlockBytes / height)
    throw EPixOutOfMemory("Image too large to allocate");
  // Release the old block first so peak memory stays near one image.
  m_block.Release();
  m_bits = nullptr;
  m_width = 0;
  m_height = 0;
  m_stride = 0;
  m_format = format;
  int64_t bytes = stride * height;
  if (bytes > 0) {
    // Zero-filled: no stale memory can ever reach a saved file.
    if (!m_block.Allocate(static_cast<size_t>(bytes))) throw EPixOutOfMemory();
    m_bits = m_block.Data();
  }
  m_width = width;
  m_height = height;
  m_stride = stride;
}

void TBitmap::ReshapeForOverwrite(int32_t width, int32_t height, TPixelFormat format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const int64_t stride = RowStrideFor(width, format);
  const int64_t bytes = height > 0 && stride <= g_maxBlockBytes / height ? stride * height : -1;
  if (bytes <= 0) {
    Allocate(width, height, format);
    return;
  }
  m_bits = nullptr;
  m_width = m_height = 0;
  m_stride = 0;
  if (!m_block.ReshapeForOverwrite(static_cast<size_t>(bytes))) throw EPixOutOfMemory();
  m_bits = m_block.Data();
  m_width = width;
  m_height = height;
  m_format = format;
  m_stride = stride;
  // The pixels are the caller's to write; padding (from a partly used last
  // byte on) must not carry old content.
  const int64_t used = static_cast<int64_t>(width) * BitsPerPixelOf(format) / 8;
  if (used < stride)
    for (int32_t y = 0; y < height; ++y) std::memset(ScanLine(y) + used, 0, static_cast<size_t>(stride - used));
}

void TBitmap::SwapContent(TBitmap& other) noexcept {
  std::swap(m_width, other.m_width);
  std::swap(m_height, other.m_height);
  std::swap(m_format, other.m_format);
  std::swap(m_stride, other.m_stride);
  std::swap(m_bits, other.m_bits);
  m_block.Swap(other.m_block);
}

void CopyImage(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) return;
  if (source.Width() <= 0 || source.Height() <= 0) {
    dest.Allocate(1, 1, source.PixelFormat());
    return;
  }
  // The block copy writes every byte, row padding included, so dest keeps a
  // block that fits or takes a kept one instead of fresh zeroed pages.
  dest.ReshapeForOverwrite(source.Width(), source.Height(), source.PixelFormat());
  std::memcpy(dest.Bits(), source.Bits(), static_cast<size_t>(source.ByteSize()));
}

void ConvertToTrueColor(TBitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::Bgrx32) return;
  TBitmap tmp(bitmap.Width(), bitmap.Height(), TPixelFormat::TrueColor);
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* in = bitmap.ScanLine(y);
    uint8_t* out = tmp.ScanLine(y);
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      out[x * 3] = in[x * 4];
      out[x * 3 + 1] = in[x * 4 + 1];
      out[x * 3 + 2] = in[x * 4 + 2];
    }
  }
  CopyImage(tmp, bitmap);
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.PixelFormat() != b.PixelFormat() || a.Width() != b.Width() || a.Height() != b.Height()) return false;
  return a.ByteSize() == 0 || std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.ByteSize())) == 0;
}

}  // namespace pix
