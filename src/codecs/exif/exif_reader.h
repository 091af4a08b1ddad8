#pragma once
// The EXIF block of a JPEG APP1 marker: a TIFF structure after "Exif" and two
// zero bytes, read with bounds checks on every offset and count.
#include <cstddef>
#include <cstdint>
#include <vector>

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

// What a rewrite needs to know about an EXIF block before another parser sees
// it, found with the reader's bounds checks.
struct TExifLayout {
  // Value bytes claimed by the first and second image directories and the
  // EXIF, GPS and interoperability directories, counting only values that lie
  // inside the block. Directories that do not overlap claim at most the block.
  uint64_t ValueBytes = 0;
  // Payload offsets of the 12-byte maker-note entries (tag 0x927C) of the
  // first directory and of every directory its EXIF pointers name, whatever
  // type those entries claim.
  std::vector<std::size_t> MakerNoteEntries;
};

// Inspects an APP1 payload; false when it is not a well-formed EXIF block
// (the same test as ParseExifBlock). Never throws on bad data.
bool InspectExifLayout(const uint8_t* payload, std::size_t length, TExifLayout& layout);

// Empties the record's EXIF values and thumbnail (the state of a file without EXIF).
void ClearExifBlock(TIOParams& params);

}  // namespace pix
