#include "app/logic/convert_one.h"

#include <algorithm>
#include <cerrno>

#include "app/logic/paths.h"
#include "codecs/jpeg/jpeg_codec.h"

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

TConvertOutcome Failed(TFailureReason reason) { return TConvertOutcome{false, reason, frNone}; }

// Where the work stands, so that an exception can be told apart: a stream
// that cannot be opened while loading is the source's fault, one that cannot
// be created while saving the destination's.
enum class TStep { Load, Process, Save };

TConvertOutcome ConvertSteps(TPixImage& image, const ConversionSettings& options, const std::string& source,
                             const std::string& destination, TStep& step) {
  step = TStep::Load;
  image.LoadFromFile(source);
  if (image.AbortFlag()) return Failed(image.IO().FailureReason());
  const TFailureReason damage = image.IO().DamageReason();
  step = TStep::Process;
  if (options.ConvertToGrayscale) image.ApplyGrayscale();
  if (ShouldRotate(options, *image.CurrentBitmap())) image.RotateByDegrees(RotationAngle(options), false);
  FitToLimits(image, options);
  // Set before every save whatever the output type: the record is shared by
  // all files and only the JPEG writer reads it.
  image.ParamRecord().JpegQuality = options.JPGQuality * 10;
  step = TStep::Save;
  if (!ForceFolderOfFile(destination)) return Failed(frCannotCreateFolder);
  if (options.ConvertToJPG)
    image.SaveAsJpeg(JpegNameFor(destination));
  else
    image.SaveToFile(destination);
  if (image.AbortFlag()) return Failed(image.IO().FailureReason());
  return TConvertOutcome{true, frNone, damage};
}

TFailureReason ReasonOfStreamError(const EPixStreamError& e, TStep step) {
  if (step != TStep::Save) return FailureOfSystemError(e.ErrorCode(), frCannotOpen);
  // A path through a plain file where a folder should be.
  if (e.ErrorCode() == ENOTDIR) return frCannotCreateFolder;
  return FailureOfSystemError(e.ErrorCode(), frCannotWrite);
}

}  // namespace

TConvertOutcome ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                           const std::string& destination) {
  TStep step = TStep::Load;
  try {
    return ConvertSteps(image, options, source, destination, step);
  } catch (const EPixStreamError& e) {
    return Failed(ReasonOfStreamError(e, step));
  } catch (const EPixOutOfMemory&) {
    return Failed(frOutOfMemory);
  } catch (const EPixJpegException&) {
    // The writer set its reason before it raised.
    const TFailureReason reason = image.IO().FailureReason();
    return Failed(reason != frNone ? reason : frCannotWrite);
  } catch (const std::bad_alloc&) {
    return Failed(frOutOfMemory);
  } catch (...) {
    return Failed(step == TStep::Save ? frCannotWrite : frCorruptData);
  }
}

}  // namespace pix
