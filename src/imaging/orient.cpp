#include "imaging/orient.h"

#include <cstring>
#include <utility>

#include "imaging/pix_image_proc.h"
#include "imaging/rotate.h"

namespace pix {

namespace {

bool GetBit(const uint8_t* row, int64_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }

void PutBit(uint8_t* row, int64_t x, bool on) {
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  row[x >> 3] = on ? static_cast<uint8_t>(row[x >> 3] | mask) : static_cast<uint8_t>(row[x >> 3] & ~mask);
}

// Writes the pixels of in in reverse order into out (width pixels of bits each).
void ReverseRow(const uint8_t* in, uint8_t* out, int32_t width, int bits) {
  const int64_t last = static_cast<int64_t>(width) - 1;
  switch (bits) {
    case 24:
      for (int64_t x = 0; x <= last; ++x) {
        const uint8_t* p = in + (last - x) * 3;
        uint8_t* q = out + x * 3;
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
      }
      break;
    case 1:
      for (int64_t x = 0; x <= last; ++x) PutBit(out, x, GetBit(in, last - x));
      break;
    default: {
      const int bytes = bits / 8;
      for (int64_t x = 0; x <= last; ++x) std::memcpy(out + x * bytes, in + (last - x) * bytes, static_cast<size_t>(bytes));
    }
  }
}

// dest row y is source row rowOf(y), its pixels reversed when reverse is set.
template <typename RowOf>
void MoveRows(const TBitmap& source, TBitmap& dest, bool reverse, RowOf rowOf) {
  if (&source == &dest) {
    TBitmap moved;
    MoveRows(source, moved, reverse, rowOf);
    dest.SwapContent(moved);
    return;
  }
  dest.ReshapeForOverwrite(source.Width(), source.Height(), source.PixelFormat());
  if (dest.Empty()) return;
  const int32_t h = dest.Height();
  const auto usedBytes = static_cast<size_t>((static_cast<int64_t>(dest.Width()) * dest.BitsPerPixel() + 7) / 8);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = source.ScanLine(rowOf(y));
    uint8_t* out = dest.ScanLine(y);
    if (reverse)
      ReverseRow(in, out, dest.Width(), dest.BitsPerPixel());
    else
      std::memcpy(out, in, usedBytes);
  }
}

// Where pixel (x, y) of the upright form of a w x h picture stored as
// orientation o comes from.
struct TSourceMap {
  int o;
  int32_t w, h;
  std::pair<int32_t, int32_t> operator()(int32_t x, int32_t y) const {
    switch (o) {
      case 2: return {w - 1 - x, y};
      case 3: return {w - 1 - x, h - 1 - y};
      case 4: return {x, h - 1 - y};
      case 5: return {y, x};
      case 6: return {y, h - 1 - x};
      case 7: return {w - 1 - y, h - 1 - x};
      case 8: return {w - 1 - y, x};
      default: return {x, y};
    }
  }
};

void RemapPlane(TPixMask& plane, int o) {
  const int32_t w = plane.Width(), h = plane.Height();
  const int bits = plane.BitsPerPixel();
  const bool full = plane.Full();
  if (bits == 8 && full) {
    // An opaque plane stays opaque whatever moves; only its shape changes.
    if (OrientationSwapsSides(o)) {
      plane.Allocate(h, w, 8);
      plane.Fill(255);
    }
    return;
  }
  TPixMask result;
  if (OrientationSwapsSides(o))
    result.Allocate(h, w, bits);
  else
    result.Allocate(w, h, bits);
  const TSourceMap from{o, w, h};
  for (int32_t y = 0; y < result.Height(); ++y) {
    uint8_t* out = result.ScanLine(y);
    for (int32_t x = 0; x < result.Width(); ++x) {
      const auto [sx, sy] = from(x, y);
      const uint8_t* in = plane.ScanLine(sy);
      if (bits == 1)
        PutBit(out, x, GetBit(in, sx));
      else
        out[x] = in[sx];
    }
  }
  result.SetFull(full);
  result.SyncBox();
  plane = std::move(result);
}

// Runs move from the picture to the image: from the snapshot straight into
// the image when the picture moved there, else through a temporary.
template <typename Move>
void MoveInto(const TBitmap& source, TBitmap& image, Move move) {
  if (&source != &image) {
    move(source, image);
    return;
  }
  TBitmap result;
  move(image, result);
  image.SwapContent(result);
}

}  // namespace

void MirrorHorizontal(const TBitmap& source, TBitmap& dest) {
  MoveRows(source, dest, true, [](int32_t y) { return y; });
}

void MirrorVertical(const TBitmap& source, TBitmap& dest) {
  const int32_t h = source.Height();
  MoveRows(source, dest, false, [h](int32_t y) { return h - 1 - y; });
}

void HalfTurn(const TBitmap& source, TBitmap& dest) {
  const int32_t h = source.Height();
  MoveRows(source, dest, true, [h](int32_t y) { return h - 1 - y; });
}

bool OrientationSwapsSides(int exifOrientation) { return exifOrientation >= 5 && exifOrientation <= 8; }

void OrientToUpright(const TBitmap& source, TBitmap& dest, int exifOrientation) {
  switch (exifOrientation) {
    case 2: MirrorHorizontal(source, dest); break;
    case 3: HalfTurn(source, dest); break;
    case 4: MirrorVertical(source, dest); break;
    case 5: Transpose(source, dest); break;
    case 6: QuarterTurnRight(source, dest); break;
    case 7: Transverse(source, dest); break;
    case 8: QuarterTurnLeft(source, dest); break;
    default: CopyImage(source, dest); break;
  }
}

void OrientPlaneToUpright(TPixMask& plane, int exifOrientation) {
  if (exifOrientation < 2 || exifOrientation > 8) return;
  RemapPlane(plane, exifOrientation);
}

void MirrorPlane(TPixMask& plane, TMirrorAxis axis) { RemapPlane(plane, axis == maHorizontal ? 2 : 4); }

void TPixImageProc::Mirror(TMirrorAxis axis) {
  TBitmap* image = Bitmap();
  if (!image) return;
  const int32_t w = image->Width(), h = image->Height();
  MoveInto(BeginReplacingOperation(*image), *image, [axis](const TBitmap& s, TBitmap& d) {
    if (axis == maHorizontal)
      MirrorHorizontal(s, d);
    else
      MirrorVertical(s, d);
  });
  TPixMask* alpha = AlphaPlane();
  if (alpha && alpha->Width() == w && alpha->Height() == h) MirrorPlane(*alpha, axis);
  NotifyImageChanged();
}

void TPixImageProc::OrientUpright(int exifOrientation) {
  TBitmap* image = Bitmap();
  if (!image || exifOrientation < 2 || exifOrientation > 8) return;
  const int32_t w = image->Width(), h = image->Height();
  MoveInto(BeginReplacingOperation(*image), *image,
           [exifOrientation](const TBitmap& s, TBitmap& d) { OrientToUpright(s, d, exifOrientation); });
  // A plane of another size is the view's to re-create; one that matches the
  // picture moves with it.
  TPixMask* alpha = AlphaPlane();
  if (alpha && alpha->Width() == w && alpha->Height() == h) OrientPlaneToUpright(*alpha, exifOrientation);
  NotifyImageChanged();
}

}  // namespace pix
