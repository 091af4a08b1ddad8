#pragma once
// The EXIF block of a JPEG APP1 marker: a TIFF structure after "Exif" and two
// zero bytes, read with bounds checks on every offset and count.
#include <cstddef>
#include <cstdint>

#include "codecs/common/io_params.h"

namespace pix {

// Parses an APP1 payload. Returns false when it is not a well-formed EXIF
// block (wrong signature, bad TIFF header, first directory out of bounds);
// damaged sub-directories or values are skipped and the rest is kept.
bool ParseExifBlock(const uint8_t* payload, std::size_t length, TExifFields& values);

// Reads an APP1 payload into the record: the EXIF values (ExifHasExifData set)
// and ExifThumbnail from the second image directory (JPEG through this codec,
// or uncompressed 8-bit RGB). A payload that is not a well-formed block leaves
// the EXIF values empty and returns false; a damaged thumbnail leaves
// ExifThumbnail at 1 x 1. Never throws on bad data.
bool ReadExifBlock(const uint8_t* payload, std::size_t length, TIOParams& params);

// Empties the record's EXIF values and thumbnail (the state of a file without EXIF).
void ClearExifBlock(TIOParams& params);

}  // namespace pix
