#include <algorithm>
#include <limits>

#include "imaging/pix_image_proc.h"
#include "imaging/resample.h"
#include "imaging/resample_kernels.h"
#include "imaging/stretch_plain.h"

namespace pix {

int32_t AspectSide(int32_t side, int32_t newOther, int32_t other) {
  if (other == 0) return 0;
  const int64_t v = static_cast<int64_t>(side) * newOther / other;
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

namespace {

bool UsesFilter(const TBitmap& image, TResampleFilter filter) {
  // Only TrueColor images are filtered. A source too small for the filter is
  // stretched instead, so a single pixel grows into its own colour rather
  // than into an unwritten block.
  return image.PixelFormat() == TPixelFormat::TrueColor && FilterEntryOf(filter) != nullptr &&
         FilterableSize(image.Width(), image.Height());
}

// Brings the alpha plane to the new size: an all-opaque plane is simply
// re-created, anything else is resampled with rfTriangle.
void ResizeAlphaPlane(TPixMask& alpha, int32_t width, int32_t height) {
  if (alpha.Full()) {
    alpha.Allocate(width, height, 8);
    alpha.Fill(255);
    return;
  }
  TPixMask resized(width, height, 8);
  if (FilterableSize(alpha.Width(), alpha.Height()))
    ResampleAlphaPlane(alpha, resized, rfTriangle);
  else
    StretchPlainPlane(alpha, resized);
  alpha = std::move(resized);
}

}  // namespace

void TPixImageProc::ResampleToSize(int32_t newWidth, int32_t newHeight, TResampleFilter filter) {
  TBitmap* image = Bitmap();
  if (!image) return;
  if (newWidth < 0 && newHeight < 0) {
    BeginOperation();
    return;
  }
  const TBitmap& source = BeginReplacingOperation(*image);
  if (newWidth < 0) newWidth = AspectSide(source.Width(), newHeight, source.Height());
  if (newHeight < 0) newHeight = AspectSide(source.Height(), newWidth, source.Width());
  {
    TBitmap result(newWidth, newHeight, source.PixelFormat());
    if (UsesFilter(source, filter))
      ResampleFiltered(source, result, filter, ProgressRecord());
    else
      StretchPlain(source, result);
    // An empty result goes through the copy, which leaves the image 1 x 1.
    if (&source == image || result.Empty())
      CopyImage(result, *image);
    else
      image->SwapContent(result);
  }
  if (TPixMask* alpha = AlphaPlane()) ResizeAlphaPlane(*alpha, newWidth, newHeight);
  NotifyImageChanged();
}

}  // namespace pix
