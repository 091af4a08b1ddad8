#include "app/logic/convert_one.h"

#include <algorithm>

#include "app/logic/paths.h"

namespace pix {

namespace {

bool ShouldRotate(const ConversionSettings& options, const TBitmap& image) {
  if (options.Rotation == kRotationNone) return false;
  // A square picture is not landscape.
  return !options.LandscapeOnly || image.Width() > image.Height();
}

// Counter-clockwise degrees of the chosen quarter turn.
double RotationAngle(const ConversionSettings& options) { return options.Rotation == kRotation90Left ? 90.0 : 270.0; }

void FitToLimits(TPixImage& image, const ConversionSettings& options) {
  const int32_t maxWidth = std::max(options.MaxWidth, kMinImageSize);
  const int32_t maxHeight = std::max(options.MaxHeight, kMinImageSize);
  // Two separate tests: an image still too high after narrowing is resampled again.
  if (image.CurrentBitmap()->Width() > maxWidth) image.ResampleToSize(maxWidth, -1, rfMitchell);
  if (image.CurrentBitmap()->Height() > maxHeight) image.ResampleToSize(-1, maxHeight, rfMitchell);
}

bool ConvertSteps(TPixImage& image, const ConversionSettings& options, const std::string& source,
                  const std::string& destination) {
  image.LoadFromFile(source);
  if (image.AbortFlag()) return false;
  if (options.ConvertToGrayscale) image.ApplyGrayscale();
  if (ShouldRotate(options, *image.CurrentBitmap())) image.RotateByDegrees(RotationAngle(options), false);
  FitToLimits(image, options);
  // Set before every save whatever the output type: the record is shared by
  // all files and only the JPEG writer reads it.
  image.ParamRecord().JpegQuality = options.JPGQuality * 10;
  // A folder that could not be made shows as a failed save.
  ForceFolderOfFile(destination);
  if (options.ConvertToJPG)
    image.SaveAsJpeg(JpegNameFor(destination));
  else
    image.SaveToFile(destination);
  return !image.AbortFlag();
}

}  // namespace

bool ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                const std::string& destination) {
  try {
    return ConvertSteps(image, options, source, destination);
  } catch (...) {
    return false;
  }
}

}  // namespace pix
