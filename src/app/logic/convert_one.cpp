#include "app/logic/convert_one.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "app/logic/paths.h"
#include "codecs/exif/exif_reader.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/metadata/jpeg_metadata.h"
#include "imaging/composite.h"
#include "imaging/orient.h"
#include "imaging/streamed_fit.h"
#include "io/file_type_registry.h"
#include "io/format_table.h"

namespace pix {

namespace {

std::atomic<bool> g_wholeLoads{false};

bool ShouldRotate(const ConversionSettings& options, const TBitmap& image) {
  if (options.Rotation == kRotationNone) return false;
  // A square picture is not landscape.
  return !options.LandscapeOnly || image.Width() > image.Height();
}

// Counter-clockwise degrees of the chosen quarter turn.
double RotationAngle(const ConversionSettings& options) { return options.Rotation == kRotation90Left ? 90.0 : 270.0; }

// With a turn, the turn and the fit are one operation, which gives the same
// result without turning the full-size picture.
void FitToLimits(TPixImage& image, const ConversionSettings& options, bool rotate) {
  const int32_t maxWidth = std::max(options.MaxWidth, kMinImageSize);
  const int32_t maxHeight = std::max(options.MaxHeight, kMinImageSize);
  if (rotate) {
    image.TurnAndFit(RotationAngle(options), maxWidth, maxHeight, rfMitchell);
    return;
  }
  // Two separate tests: an image still too high after narrowing is resampled again.
  if (image.CurrentBitmap()->Width() > maxWidth) image.ResampleToSize(maxWidth, -1, rfMitchell);
  if (image.CurrentBitmap()->Height() > maxHeight) image.ResampleToSize(-1, maxHeight, rfMitchell);
}

// A JPEG that the options turn and shrink is brought upright, turned and
// shrunk while it is decoded, with the bytes the load followed by UprightFirst
// and FitToLimits gives, but without holding the whole photo. Pictures made
// gray, or that the landscape rule leaves unturned, are loaded whole. True
// when the bitmap holds the fitted result.
bool LoadFitted(TPixImage& image, const ConversionSettings& options, const std::string& source) {
  const TFormatRow* row = FindFormatRow(LowerFileExtension(source));
  if (g_wholeLoads.load(std::memory_order_relaxed) || !row || row->Type != ftJPEG ||
      options.Rotation == kRotationNone || options.ConvertToGrayscale) {
    image.LoadFromFile(source);
    return false;
  }
  TStreamedTurnAndFit fit(RotationAngle(options), std::max(options.MaxWidth, kMinImageSize),
                          std::max(options.MaxHeight, kMinImageSize), rfMitchell);
  return image.IO().LoadJpegFittedFromFile(source, fit, [&options](int32_t width, int32_t height, int32_t orientation) {
    const int32_t upright = options.AutoOrient && orientation >= 2 ? orientation : 1;
    if (OrientationSwapsSides(upright)) std::swap(width, height);
    return !options.LandscapeOnly || width > height ? upright : 0;
  });
}

// Turns the loaded picture upright by its EXIF orientation when the options
// ask for it; returns the Orientation the written EXIF must state (0: leave
// the tag as it came).
int32_t UprightFirst(TPixImage& image, const ConversionSettings& options, bool fitted) {
  const TPixFileType type = image.ParamRecord().FileType;
  // libheif has already applied the container's turn and mirror: the picture
  // is upright and a tag saying otherwise would turn it a second time.
  if (type == ftHEIF || type == ftAVIF) return 1;
  if (!options.AutoOrient) return 0;
  const int32_t orientation = LoadedExifOrientation(image.ParamRecord());
  if (orientation < 2) return 0;
  // A picture fitted while decoding was brought upright then.
  if (!fitted) image.OrientUpright(orientation);
  return 1;
}

TConvertOutcome Failed(TFailureReason reason) {
  TConvertOutcome outcome;
  outcome.Reason = reason;
  return outcome;
}

// What a file starts with: the record's JPEG output settings that a JPEG
// source would set, and the EXIF values, as if no file came before.
void StartFile(TIOParams& params) {
  const TIOParamValues defaults;
  params.JpegColorSpace = defaults.JpegColorSpace;
  params.JpegProgressive = defaults.JpegProgressive;
  ClearExifBlock(params);
}

// Output types whose writers keep an alpha plane.
bool KeepsTransparency(const std::string& extension) {
  for (const char* e : {"png", "tif", "tiff", "tga", "gif", "webp", "heic", "heif", "hif", "avif"})
    if (extension == e) return true;
  return false;
}

// A pipe, socket, device or folder (through a link or not); a name that
// leads nowhere is left to the load, which cannot open it.
bool IsSpecialFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Where the work stands, so that an exception can be told apart: a stream
// that cannot be opened while loading is the source's fault, one that cannot
// be created while saving the destination's.
enum class TStep { Load, Process, Save };

TConvertOutcome ConvertSteps(TPixImage& image, const ConversionSettings& options, const std::string& source,
                             const std::string& destination, TReplaceMode replace, TStep& step) {
  step = TStep::Load;
  StartFile(image.ParamRecord());
  // Checked before opening: a pipe or device must never be waited on.
  if (IsSpecialFile(source)) return Failed(frNotAFile);
  const bool fitted = LoadFitted(image, options, source);
  if (image.AbortFlag()) return Failed(image.IO().FailureReason());
  TConvertOutcome outcome;
  outcome.Damage = image.IO().DamageReason();
  outcome.SourceWidth = fitted ? image.ParamRecord().Width : image.CurrentBitmap()->Width();
  outcome.SourceHeight = fitted ? image.ParamRecord().Height : image.CurrentBitmap()->Height();
  step = TStep::Process;
  TMetadataTarget metadata;
  metadata.Mode = static_cast<TMetadataMode>(options.Metadata);
  metadata.Orientation = UprightFirst(image, options, fitted);
  if (options.ConvertToGrayscale) image.ApplyGrayscale();
  if (!fitted) FitToLimits(image, options, ShouldRotate(options, *image.CurrentBitmap()));
  // The profile is about to be dropped: the colours are moved into sRGB so
  // that the picture looks the same without it (on the small result, where
  // it costs little).
  if (metadata.Mode != mdKeepAll) metadata.ProfileConverted = image.ConvertToSrgb();
  // Set before every save whatever the output type: the record is shared by
  // all files and only the lossy writers (JPEG, WebP, HEIC, AVIF) read it.
  image.ParamRecord().JpegQuality = options.JPGQuality * 10;
  step = TStep::Save;
  if (!ForceFolderOfFile(destination)) return Failed(frCannotCreateFolder);
  const std::string target = options.ConvertToJPG ? JpegNameFor(destination) : destination;
  // A format without transparency would show whatever colour the clear
  // pixels happen to hold: they are laid over white instead.
  if (TPixMask* alpha = image.AlphaPlane(); alpha && !KeepsTransparency(LowerExtension(target)) &&
                                           HasTransparency(*image.CurrentBitmap(), *alpha)) {
    CompositeOver(*image.CurrentBitmap(), *alpha, RGBColor(255, 255, 255));
    alpha->Fill(255);
  }
  // The WebP, HEIC and AVIF writers carry the same markers as the JPEG
  // writer, so they follow the same mode and orientation.
  metadata.Width = image.CurrentBitmap()->Width();
  metadata.Height = image.CurrentBitmap()->Height();
  PrepareJpegMetadata(image.ParamRecord(), metadata);
  TSafeOutput output(target, replace);
  if (options.ConvertToJPG)
    image.SaveAsJpeg(output.TemporaryPath());
  else
    image.SaveToFile(output.TemporaryPath());
  if (image.AbortFlag()) return Failed(image.IO().FailureReason());
  if (const TFailureReason reason = output.Commit(); reason != frNone) return Failed(reason);
  outcome.Written = true;
  outcome.WrittenPath = target;
  outcome.Width = image.CurrentBitmap()->Width();
  outcome.Height = image.CurrentBitmap()->Height();
  return outcome;
}

TFailureReason ReasonOfStreamError(const EPixStreamError& e, TStep step) {
  if (step != TStep::Save) return e.ErrorCode() == ENXIO ? frNotAFile : FailureOfSystemError(e.ErrorCode(), frCannotOpen);
  // A path through a plain file where a folder should be.
  if (e.ErrorCode() == ENOTDIR) return frCannotCreateFolder;
  return FailureOfSystemError(e.ErrorCode(), frCannotWrite);
}

}  // namespace

bool WholePictureLoadsForced() { return g_wholeLoads.load(); }

void ForceWholePictureLoads(bool on) { g_wholeLoads.store(on); }

TConvertOutcome ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                           const std::string& destination, TReplaceMode replace) {
  TStep step = TStep::Load;
  try {
    return ConvertSteps(image, options, source, destination, replace, step);
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
