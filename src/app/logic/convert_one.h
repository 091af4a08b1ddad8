#pragma once
// The per-image conversion: one source file through the image component into
// one destination file.
#include <string>

#include "app/logic/conversion_settings.h"
#include "io/pix_image.h"

namespace pix {

// Loads source into image, turns it gray (ConvertToGrayscale), rotates it a
// quarter turn (Rotation; with LandscapeOnly only when it is wider than high),
// shrinks it with rfMitchell to MaxWidth and then to MaxHeight where it is
// larger (never enlarging), sets the JPEG quality to JPGQuality x 10, creates
// the destination's folder and saves: as JPEG under JpegNameFor(destination)
// with ConvertToJPG, else by the destination's extension. Source and
// Destination of the options are not looked at.
//
// True when the file was written without an error. Every failure (unreadable
// or corrupt source, a codec giving up, an exception of any kind, an unwritable
// destination) returns false and nothing else; the image keeps whatever state
// it reached and its parameter record is never reset.
bool ConvertOne(TPixImage& image, const ConversionSettings& options, const std::string& source,
                const std::string& destination);

}  // namespace pix
