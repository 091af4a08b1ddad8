#pragma once
// The per-image conversion: one source file through the image component into
// one destination file.
#include <string>

#include "app/logic/conversion_settings.h"
#include "app/logic/safe_output.h"
#include "imaging/failure_reason.h"
#include "io/pix_image.h"

namespace pix {

// What became of one conversion.
struct TConvertOutcome {
  bool Written = false;
  TFailureReason Reason = frNone;  // why nothing was written
  TFailureReason Damage = frNone;  // written, but from a source that loaded damaged
  std::string WrittenPath;         // the file written (JpegNameFor applied)
  int32_t SourceWidth = 0, SourceHeight = 0;  // as loaded
  int32_t Width = 0, Height = 0;              // as written

  explicit operator bool() const { return Written; }
};

// A JPEG that is turned and shrunk is fitted while it is decoded, without
// holding the whole photo; forcing whole-picture loads gives the same bytes
// the slow way (tests and benchmarks compare the two). Off by default.
bool WholePictureLoadsForced();
void ForceWholePictureLoads(bool on);

// Loads source into image, turns a JPEG upright by its EXIF orientation
// (AutoOrient), turns it gray (ConvertToGrayscale), rotates it a quarter turn
// (Rotation; with LandscapeOnly only when it is wider than high), shrinks it
// with rfMitchell to MaxWidth and then to MaxHeight where it is larger (never
// enlarging), converts it to sRGB from its embedded profile unless every
// marker is kept (Metadata), sets the JPEG quality to JPGQuality x 10,
// rewrites the source's markers for the Metadata mode (PrepareJpegMetadata:
// the size written, and orientation 1 when the pixels stand upright, as after
// AutoOrient or for HEIC and AVIF, which libheif turned), creates the
// destination's folder and saves: as JPEG under JpegNameFor(destination)
// with ConvertToJPG, else by the destination's extension; clear pixels are
// laid over white for a type without transparency. Source and
// Destination of the options are not looked at. The file is written whole or
// not at all (TSafeOutput); replace says what may be at the destination.
//
// Only regular files (or links to them) are read. Every file starts with the
// record's JPEG colour space and progression at their defaults and no EXIF
// values, so that no output depends on the files converted before it (nor on
// which worker converts it); everything else the record carries stays.
//
// Written when the file was written without an error. Every failure
// (unreadable or corrupt source, a codec giving up, an exception of any kind,
// an unwritable destination) comes back with its reason and nothing is left
// at the destination; the image keeps whatever state it reached.
TConvertOutcome ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                           const std::string& destination, TReplaceMode replace = TReplaceMode::UnlessReadOnly);

}  // namespace pix
