#include "imaging/grayscale.h"

#include <algorithm>
#include <array>

#include "imaging/pix_image_proc.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace pix {

namespace {

void GrayRunScalar(uint8_t* p, int64_t count) {
  for (int64_t i = 0; i < count; ++i, p += 3) p[0] = p[1] = p[2] = GrayValue(p[0], p[1], p[2]);
}

#if defined(__x86_64__)

// Shuffle controls for 16 pixels held in three 16-byte registers. A control
// byte with the top bit set yields 0, which lets three shuffles be or-ed.
using TShuffle = std::array<uint8_t, 16>;

constexpr TShuffle GatherChannel(int channel, int part) {
  TShuffle m{};
  for (int i = 0; i < 16; ++i) {
    const int at = 3 * i + channel - 16 * part;
    m[i] = at >= 0 && at < 16 ? static_cast<uint8_t>(at) : 0x80;
  }
  return m;
}

constexpr TShuffle SpreadGray(int part) {
  TShuffle m{};
  for (int i = 0; i < 16; ++i) m[i] = static_cast<uint8_t>((16 * part + i) / 3);
  return m;
}

constexpr std::array<std::array<TShuffle, 3>, 3> kGather = {{
    {GatherChannel(0, 0), GatherChannel(0, 1), GatherChannel(0, 2)},
    {GatherChannel(1, 0), GatherChannel(1, 1), GatherChannel(1, 2)},
    {GatherChannel(2, 0), GatherChannel(2, 1), GatherChannel(2, 2)},
}};
constexpr std::array<TShuffle, 3> kSpread = {SpreadGray(0), SpreadGray(1), SpreadGray(2)};

__attribute__((target("ssse3"))) __m128i Load(const TShuffle& m) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data()));
}

__attribute__((target("ssse3"))) __m128i Channel(__m128i v0, __m128i v1, __m128i v2, int channel) {
  const auto& g = kGather[channel];
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, Load(g[0])), _mm_shuffle_epi8(v1, Load(g[1]))),
                      _mm_shuffle_epi8(v2, Load(g[2])));
}

// Eight gray values in 16-bit lanes. The weighted sum stays below 2^16, and
// (sum * 5243) >> 19 equals sum div 100 for every sum up to 99 x 255.
__attribute__((target("ssse3"))) __m128i Gray16(__m128i b, __m128i g, __m128i r) {
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(21)), _mm_mullo_epi16(g, _mm_set1_epi16(71)));
  sum = _mm_add_epi16(sum, _mm_mullo_epi16(b, _mm_set1_epi16(7)));
  return _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(5243)), 3);
}

__attribute__((target("ssse3"))) void GrayRunSsse3(uint8_t* p, int64_t count) {
  const __m128i zero = _mm_setzero_si128();
  for (; count >= 16; count -= 16, p += 48) {
    auto* v = reinterpret_cast<__m128i*>(p);
    const __m128i v0 = _mm_loadu_si128(v), v1 = _mm_loadu_si128(v + 1), v2 = _mm_loadu_si128(v + 2);
    const __m128i b = Channel(v0, v1, v2, 0), g = Channel(v0, v1, v2, 1), r = Channel(v0, v1, v2, 2);
    const __m128i lo = Gray16(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(g, zero), _mm_unpacklo_epi8(r, zero));
    const __m128i hi = Gray16(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(g, zero), _mm_unpackhi_epi8(r, zero));
    const __m128i gray = _mm_packus_epi16(lo, hi);
    _mm_storeu_si128(v, _mm_shuffle_epi8(gray, Load(kSpread[0])));
    _mm_storeu_si128(v + 1, _mm_shuffle_epi8(gray, Load(kSpread[1])));
    _mm_storeu_si128(v + 2, _mm_shuffle_epi8(gray, Load(kSpread[2])));
  }
  GrayRunScalar(p, count);
}

using TGrayRun = void (*)(uint8_t*, int64_t);

TGrayRun PickGrayRun() { return __builtin_cpu_supports("ssse3") ? GrayRunSsse3 : GrayRunScalar; }

#else

using TGrayRun = void (*)(uint8_t*, int64_t);
TGrayRun PickGrayRun() { return GrayRunScalar; }

#endif

}  // namespace

void GrayscaleRect(TBitmap& bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   const TProgressRecord& progress) {
  if (bitmap.PixelFormat() != TPixelFormat::TrueColor) return;
  right = std::min(right, bitmap.Width());
  bottom = std::min(bottom, bitmap.Height());
  left = std::max(left, 0);
  top = std::max(top, 0);
  if (bottom - 1 < top) return;
  static const TGrayRun run = PickGrayRun();
  const int64_t count = right > left ? right - left : 0;
  const int64_t step = -bitmap.RowStride();
  uint8_t* row = bitmap.ScanLine(top);
  const int64_t rows = bottom - top;
  for (int64_t k = 1; k <= rows; ++k, row += step) {
    if (count > 0) run(row + static_cast<int64_t>(left) * 3, count);
    progress.ReportStep(k, rows);
  }
}

void TPixImageProc::ApplyGrayscale() {
  TBitmap* image = Bitmap();
  if (!image || image->PixelFormat() != TPixelFormat::TrueColor) return;
  BeginOperation();
  const TSelectionArea area = GetSelectionArea();
  if (!area.Mask || area.Mask->IsEmpty()) {
    GrayscaleRect(*image, 0, 0, image->Width(), image->Height(), ProgressRecord());
  } else {
    // Only the bounding box is converted, then merged back through the mask,
    // so pixels of the box outside the selection keep their colour.
    const TPixMask& mask = *area.Mask;
    TBitmap part;
    ExtractRect(*image, part, mask.BoxLeft(), mask.BoxTop(), mask.BoxRight() + 1, mask.BoxBottom() + 1);
    GrayscaleRect(part, 0, 0, part.Width(), part.Height(), ProgressRecord());
    MergeThroughMask(mask, *image, part);
  }
  NotifyImageChanged();
}

}  // namespace pix
