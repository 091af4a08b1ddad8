#include "imaging/selection_area.h"

#include <algorithm>
#include <cstring>

#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"

namespace pix {

namespace {

bool BitAt(const uint8_t* row, int64_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }

void SetBitAt(uint8_t* row, int64_t x, bool on) {
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  row[x >> 3] = on ? static_cast<uint8_t>(row[x >> 3] | mask) : static_cast<uint8_t>(row[x >> 3] & ~mask);
}

// Copies `count` bits starting at bit `first` of src into dst from bit 0.
// Reads never go past the stored row (srcBytes), and the unused low bits of
// the last written byte are cleared so the copy does not depend on neighbours.
void CopyBitsAligned(const uint8_t* src, int64_t srcBytes, int64_t first, int64_t count, uint8_t* dst) {
  const int shift = static_cast<int>(first & 7);
  const int64_t start = first >> 3;
  const int64_t bytes = (count + 7) >> 3;
  for (int64_t i = 0; i < bytes; ++i) {
    unsigned v = static_cast<unsigned>(src[start + i]) << shift;
    if (shift != 0 && start + i + 1 < srcBytes) v |= src[start + i + 1] >> (8 - shift);
    dst[i] = static_cast<uint8_t>(v);
  }
  if (const int tail = static_cast<int>(count & 7); tail != 0 && bytes > 0)
    dst[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> tail);
}

bool MaskSet(const TPixMask& mask, const uint8_t* row, int32_t x) {
  return mask.BitsPerPixel() == 1 ? BitAt(row, x) : row[x] != 0;
}

}  // namespace

TSelectionArea TPixImageProc::GetSelectionArea() {
  TSelectionArea area;
  if (const TBitmap* image = Bitmap()) area.Rect = {0, 0, image->Width(), image->Height()};
  if (auto* view = dynamic_cast<TPixImageView*>(AttachedView())) area.Mask = &view->SelectionMask();
  return area;
}

void ExtractRect(const TBitmap& source, TBitmap& dest, int32_t left, int32_t top, int32_t right,
                 int32_t bottom) {
  if (right == 0 || right > source.Width()) right = source.Width();
  if (bottom == 0 || bottom > source.Height()) bottom = source.Height();
  left = std::max(left, 0);
  top = std::max(top, 0);
  dest.Allocate(1, 1, dest.PixelFormat());
  dest.Allocate(1, 1, source.PixelFormat());
  dest.Allocate(right - left, bottom - top, source.PixelFormat());
  const int bits = source.BitsPerPixel();
  const int64_t width = dest.Width();
  if (width == 0) return;
  for (int32_t y = 0; y < dest.Height(); ++y) {
    const uint8_t* in = source.ScanLine(top + y);
    uint8_t* out = dest.ScanLine(y);
    if (bits == 1)
      CopyBitsAligned(in, source.RowStride(), left, width, out);
    else
      std::memcpy(out, in + static_cast<int64_t>(left) * (bits / 8), static_cast<size_t>(width * (bits / 8)));
  }
}

void MergeThroughMask(const TPixMask& mask, TBitmap& image, const TBitmap& part) {
  if (mask.IsEmpty() || image.PixelFormat() != part.PixelFormat()) return;
  const int32_t left = mask.BoxLeft(), top = mask.BoxTop();
  const int32_t right = std::min({mask.BoxRight(), image.Width() - 1, left + part.Width() - 1,
                                  mask.Width() - 1});
  const int32_t bottom = std::min({mask.BoxBottom(), image.Height() - 1, top + part.Height() - 1,
                                   mask.Height() - 1});
  const int bits = image.BitsPerPixel();
  const int bytes = bits / 8;
  for (int32_t y = std::max(top, 0); y <= bottom; ++y) {
    const uint8_t* maskRow = mask.ScanLine(y);
    const uint8_t* in = part.ScanLine(y - top);
    uint8_t* out = image.ScanLine(y);
    for (int32_t x = std::max(left, 0); x <= right; ++x) {
      if (!MaskSet(mask, maskRow, x)) continue;
      if (bits == 1)
        SetBitAt(out, x, BitAt(in, x - left));
      else
        std::memcpy(out + static_cast<int64_t>(x) * bytes, in + static_cast<int64_t>(x - left) * bytes,
                    static_cast<size_t>(bytes));
    }
  }
}

}  // namespace pix
