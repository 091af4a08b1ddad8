#include "imaging/resample.h"

#include <cmath>

#include "imaging/resample_contributors.h"
#include "imaging/resample_kernels.h"
#include "imaging/resample_passes.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace pix {

namespace {

template <typename Mid>
void RunPasses(const TRows<const uint8_t>& src, Mid& midImage, const TRows<uint8_t>& dst, int channels,
               const TFilterEntry& filter, const TProgressRecord& sink) {
  const TRows<uint8_t> mid = RowsOf(midImage);
  const int64_t steps = static_cast<int64_t>(dst.Width) + src.Height;
  ResampleRows(src, mid, channels, TTapLists(TContributorLists(src.Width, dst.Width, filter), src.Width),
               TPassProgress{&sink, 0, steps});
  ResampleColumns(AsConst(mid), dst, channels, TTapLists(TContributorLists(src.Height, dst.Height, filter), src.Height),
                  TPassProgress{&sink, src.Height, steps});
}

}  // namespace

uint8_t SumToByte(double sum) {
  if (sum > 255) return 255;
  if (sum < 0) return 0;
#if defined(__x86_64__)
  // The conversion rounds by the current mode, nearest-even, as nearbyint does.
  return static_cast<uint8_t>(_mm_cvtsd_si32(_mm_set_sd(sum)));
#else
  return static_cast<uint8_t>(std::nearbyint(sum));
#endif
}

void ResampleFiltered(const TBitmap& source, TBitmap& dest, TResampleFilter filter,
                      const TProgressRecord& progress) {
  if (source.PixelFormat() != TPixelFormat::TrueColor) return;
  if (!FilterableSize(source.Width(), source.Height())) return;
  const TFilterEntry* entry = FilterEntryOf(filter);
  if (!entry) return;
  TBitmap mid;
  // The horizontal pass writes every pixel of the intermediate.
  mid.ReshapeForOverwrite(dest.Width(), source.Height(), TPixelFormat::TrueColor);
  if (dest.PixelFormat() != TPixelFormat::TrueColor) dest.SetPixelFormat(TPixelFormat::TrueColor);
  RunPasses(RowsOf(source), mid, RowsOf(dest), 3, *entry, progress);
}

void ResampleAlphaPlane(const TPixMask& source, TPixMask& dest, TResampleFilter filter) {
  if (source.BitsPerPixel() != 8 || dest.BitsPerPixel() != 8) return;
  if (!FilterableSize(source.Width(), source.Height())) return;
  const TFilterEntry* entry = FilterEntryOf(filter);
  if (!entry) return;
  TPixMask mid(dest.Width(), source.Height(), 8);
  RunPasses(RowsOf(source), mid, RowsOf(dest), 1, *entry, TProgressRecord{});
}

}  // namespace pix
