// Transition frames: every effect reads whole rows of the two pictures and
// writes each frame pixel once; the end frames are block copies.
#include "imaging/transition.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/translate.h"

namespace pix {

namespace {

// round(total x k / n) in exact integer arithmetic (k in 0..n, n >= 1).
int32_t Share(int32_t total, int k, int n) {
  return static_cast<int32_t>((static_cast<int64_t>(total) * k + n / 2) / n);
}

void CopyRows(const TBitmap& source, TBitmap& frame) {
  std::memcpy(frame.Bits(), source.Bits(), static_cast<size_t>(source.ByteSize()));
}

void CrossFade(const TBitmap& from, const TBitmap& to, int k, int n, TBitmap& frame) {
  // 8-bit fixed-point weight: 0 gives the old byte and 256 the new one exactly,
  // whatever the rounding constant.
  const uint32_t weight = static_cast<uint32_t>(Share(256, k, n));
  const uint32_t rest = 256 - weight;
  const size_t bytes = static_cast<size_t>(from.Width()) * 3;
  for (int32_t y = 0; y < from.Height(); ++y) {
    const uint8_t* a = from.ScanLine(y);
    const uint8_t* b = to.ScanLine(y);
    uint8_t* out = frame.ScanLine(y);
    for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>((a[i] * rest + b[i] * weight + 128) >> 8);
  }
}

void Wipe(const TBitmap& from, const TBitmap& to, int k, int n, TBitmap& frame) {
  const size_t edge = static_cast<size_t>(Share(from.Width(), k, n)) * 3;
  const size_t bytes = static_cast<size_t>(from.Width()) * 3;
  for (int32_t y = 0; y < from.Height(); ++y) {
    uint8_t* out = frame.ScanLine(y);
    std::memcpy(out, to.ScanLine(y), edge);
    std::memcpy(out + edge, from.ScanLine(y) + edge, bytes - edge);
  }
}

void Push(const TBitmap& from, const TBitmap& to, int k, int n, TBitmap& frame) {
  const size_t shift = static_cast<size_t>(Share(from.Width(), k, n)) * 3;
  const size_t bytes = static_cast<size_t>(from.Width()) * 3;
  for (int32_t y = 0; y < from.Height(); ++y) {
    uint8_t* out = frame.ScanLine(y);
    std::memcpy(out, from.ScanLine(y) + shift, bytes - shift);
    std::memcpy(out + (bytes - shift), to.ScanLine(y), shift);
  }
}

// Pixel i of a stretch of `drawn` pixels samples the source pixel under its
// centre, as StretchPlain does, so the full size maps every pixel onto itself.
std::vector<int32_t> SampleIndices(int32_t drawn, int32_t total) {
  std::vector<int32_t> indices(static_cast<size_t>(drawn));
  for (int32_t i = 0; i < drawn; ++i)
    indices[static_cast<size_t>(i)] = static_cast<int32_t>((2 * static_cast<int64_t>(i) + 1) * total / (2 * int64_t{drawn}));
  return indices;
}

void Zoom(const TBitmap& from, const TBitmap& to, int k, int n, TBitmap& frame) {
  const int32_t w = from.Width();
  const int32_t h = from.Height();
  const int32_t drawnWidth = Share(w, k, n);
  const int32_t drawnHeight = Share(h, k, n);
  // Centred; an odd leftover pixel goes to the right and bottom.
  const int32_t left = (w - drawnWidth) / 2;
  const int32_t top = (h - drawnHeight) / 2;
  const std::vector<int32_t> columns = SampleIndices(drawnWidth, w);
  const std::vector<int32_t> rows = SampleIndices(drawnHeight, h);
  const size_t bytes = static_cast<size_t>(w) * 3;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = frame.ScanLine(y);
    std::memcpy(out, from.ScanLine(y), bytes);
    if (y < top || y >= top + drawnHeight || drawnWidth == 0) continue;
    const uint8_t* in = to.ScanLine(rows[static_cast<size_t>(y - top)]);
    uint8_t* px = out + static_cast<size_t>(left) * 3;
    for (int32_t x = 0; x < drawnWidth; ++x, px += 3) std::memcpy(px, in + static_cast<size_t>(columns[static_cast<size_t>(x)]) * 3, 3);
  }
}

}  // namespace

const char* TransitionName(TTransitionEffect effect) {
  switch (effect) {
    case teCut: return PIX_TRANSLATE_NOOP("Transition", "Cut");
    case teCrossFade: return PIX_TRANSLATE_NOOP("Transition", "Cross-fade");
    case teWipe: return PIX_TRANSLATE_NOOP("Transition", "Wipe");
    case tePush: return PIX_TRANSLATE_NOOP("Transition", "Push");
    case teZoom: return PIX_TRANSLATE_NOOP("Transition", "Zoom");
  }
  return "";
}

bool TransitionFrame(const TBitmap& from, const TBitmap& to, TTransitionEffect effect, int k, int n, TBitmap& frame) {
  if (from.PixelFormat() != TPixelFormat::TrueColor || to.PixelFormat() != TPixelFormat::TrueColor ||
      from.Width() != to.Width() || from.Height() != to.Height() || &frame == &from || &frame == &to)
    return false;
  n = std::max(n, 1);
  k = std::clamp(k, 0, n);
  // A value outside the enumeration (a stored setting) still gives defined frames.
  if (effect >= kTransitionEffectCount) effect = teCut;
  frame.ReshapeForOverwrite(from.Width(), from.Height(), TPixelFormat::TrueColor);
  if (from.Empty()) return true;
  if (k == 0 || (effect == teCut && k < n)) {
    CopyRows(from, frame);
    return true;
  }
  if (k == n) {
    CopyRows(to, frame);
    return true;
  }
  switch (effect) {
    case teCrossFade: CrossFade(from, to, k, n, frame); break;
    case teWipe: Wipe(from, to, k, n, frame); break;
    case tePush: Push(from, to, k, n, frame); break;
    case teZoom: Zoom(from, to, k, n, frame); break;
    case teCut: break;
  }
  return true;
}

}  // namespace pix
