#pragma once
// The per-image conversion: one source file through the image component into
// one destination file.
#include <string>

#include "app/logic/conversion_settings.h"
#include "imaging/failure_reason.h"
#include "io/pix_image.h"

namespace pix {

// What became of one conversion.
struct TConvertOutcome {
  bool Written = false;
  TFailureReason Reason = frNone;  // why nothing was written
  TFailureReason Damage = frNone;  // written, but from a source that loaded damaged

  explicit operator bool() const { return Written; }
};

// Loads source into image, turns it gray (ConvertToGrayscale), rotates it a
// quarter turn (Rotation; with LandscapeOnly only when it is wider than high),
// shrinks it with rfMitchell to MaxWidth and then to MaxHeight where it is
// larger (never enlarging), sets the JPEG quality to JPGQuality x 10, creates
// the destination's folder and saves: as JPEG under JpegNameFor(destination)
// with ConvertToJPG, else by the destination's extension. Source and
// Destination of the options are not looked at.
//
// Written when the file was written without an error. Every failure
// (unreadable or corrupt source, a codec giving up, an exception of any kind,
// an unwritable destination) comes back with its reason and nothing else
// happens; the image keeps whatever state it reached and its parameter record
// is never reset.
TConvertOutcome ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                           const std::string& destination);

}  // namespace pix
