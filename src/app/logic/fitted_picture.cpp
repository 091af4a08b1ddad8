#include "app/logic/fitted_picture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "imaging/composite.h"
#include "imaging/fit_box.h"

namespace pix {

namespace {

bool IsSpecialFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

TFailureReason LoadAndFit(TPixImage& image, const std::string& path, int32_t boxWidth, int32_t boxHeight, bool enlarge,
                          TBitmap& picture, double aspect) {
  // A pipe or device must never be waited on.
  if (IsSpecialFile(path)) return frNotAFile;
  image.SetAutoUndo(false);
  TIOParams& params = image.ParamRecord();
  // The codec's own scaled decode: the smallest scale whose output still
  // covers the box on both sides, so the fitted picture is never enlarged
  // from a reduced decode.
  params.JpegScale = jsAutomatic;
  params.Width = static_cast<int32_t>(
      std::min<double>(INT32_MAX, std::max<double>(boxWidth, std::ceil(boxWidth / aspect))));
  params.Height = boxHeight;
  image.LoadFromFile(path);
  if (image.AbortFlag()) return image.IO().FailureReason() != frNone ? image.IO().FailureReason() : frCorruptData;
  TBitmap& loaded = *image.CurrentBitmap();
  if (loaded.Empty()) return frNoImage;
  if (loaded.PixelFormat() != TPixelFormat::TrueColor) {
    // Resampled in colour: a 1-bit picture shrunk plainly would lose its lines.
    TBitmap colour;
    Letterbox(loaded, loaded.Width(), loaded.Height(), RGBColor(255, 255, 255), colour);
    loaded.SwapContent(colour);
  }
  if (TPixMask* alpha = image.AlphaPlane(); alpha && HasTransparency(loaded, *alpha)) {
    CompositeOver(loaded, *alpha, RGBColor(255, 255, 255));
    alpha->Fill(255);
  }
  const auto stretched = static_cast<int32_t>(
      std::clamp(std::lround(static_cast<double>(loaded.Width()) * aspect), 1L, static_cast<long>(INT32_MAX)));
  const TFitSize size = FitIntoBox(stretched, loaded.Height(), boxWidth, boxHeight, enlarge);
  if (size.Width < 1 || size.Height < 1) return frSizeTooLarge;
  if (size.Width != loaded.Width() || size.Height != loaded.Height())
    image.ResampleToSize(size.Width, size.Height, rfMitchell);
  picture.SwapContent(*image.CurrentBitmap());
  // The image is left with the small picture's predecessor, never a full-size one.
  image.CurrentBitmap()->Allocate(1, 1, TPixelFormat::TrueColor);
  return frNone;
}

}  // namespace

TFailureReason LoadFittedPicture(TPixImage& image, const std::string& path, int32_t boxWidth, int32_t boxHeight,
                                 bool enlarge, TBitmap& picture, double aspect) {
  picture.Allocate(0, 0, TPixelFormat::TrueColor);
  if (boxWidth < 1 || boxHeight < 1 || !(aspect > 0)) return frSizeTooLarge;
  TFailureReason reason = frNone;
  try {
    reason = LoadAndFit(image, path, boxWidth, boxHeight, enlarge, picture, aspect);
  } catch (const EPixStreamError& e) {
    reason = FailureOfSystemError(e.ErrorCode(), frCannotOpen);
  } catch (const EPixOutOfMemory&) {
    reason = frOutOfMemory;
  } catch (const std::bad_alloc&) {
    reason = frOutOfMemory;
  } catch (...) {
    reason = frCorruptData;
  }
  if (reason != frNone) picture.Allocate(0, 0, TPixelFormat::TrueColor);
  return reason;
}

}  // namespace pix
