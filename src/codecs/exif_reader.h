#pragma once
// The EXIF block of a JPEG APP1 marker: a TIFF structure after "Exif" and two
// zero bytes, read with bounds checks on every offset and count.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/io_params.h"

namespace pix {

// The values the record's EXIF block holds; a default object is the empty block.
struct TExifValues {
  std::string ImageDescription;
  std::string Make;
  std::string Model;
  int32_t Orientation = 0;
  double XResolution = 0.0;
  double YResolution = 0.0;
  int32_t ResolutionUnit = 0;  // 2 inches, 3 centimetres
  std::string Software;
  std::string Artist;
  std::string DateTime;
  std::string Copyright;
  double ExposureTime = 0.0;
  double FNumber = 0.0;
  int32_t ExposureProgram = 0;
  std::array<double, 6> ReferenceBlackWhite{};
  std::array<int32_t, 2> ISOSpeedRatings{};
};

// Parses an APP1 payload. Returns false when it is not a well-formed EXIF
// block (wrong signature, bad TIFF header, first directory out of bounds);
// damaged sub-directories or values are skipped and the rest is kept.
bool ParseExifBlock(const uint8_t* payload, std::size_t length, TExifValues& values);

// Reads an APP1 payload into the record: the EXIF values (ExifHasExifData set)
// and ExifThumbnail from the second image directory (JPEG through this codec,
// or uncompressed 8-bit RGB). A payload that is not a well-formed block leaves
// the EXIF values empty and returns false; a damaged thumbnail leaves
// ExifThumbnail at 1 x 1. Never throws on bad data.
bool ReadExifBlock(const uint8_t* payload, std::size_t length, TIOParams& params);

// Empties the record's EXIF values and thumbnail (the state of a file without EXIF).
void ClearExifBlock(TIOParams& params);

}  // namespace pix
