#pragma once
// Named codes of the parameter record and the file-type registry. Each enum
// is backed by the integer the record and stored files have always used, so
// values outside the named ones survive a round trip.
#include <cstdint>

namespace pix {

// File types: the registry's codes, FileType of the record.
enum TPixFileType : int32_t {
  ftUnknown = 0,
  ftTIFF = 1,
  ftGIF = 2,
  ftJPEG = 3,
  ftPCX = 4,
  ftBMP = 5,
  ftICO = 6,
  ftCUR = 7,
  ftPNG = 8,
  ftWMF = 9,
  ftEMF = 10,
  ftTGA = 11,
  ftPXM = 12,
  ftHEIF = 13,  // HEIC, HEIF and HIF: HEVC pictures in the HEIF container
  ftAVIF = 14,  // AV1 pictures in the HEIF container
  ftWEBP = 15,
};

// JpegColorSpace; codes above jcYCCK are written as RGB.
enum TJpegColorSpace : uint8_t {
  jcRGB = 0,
  jcGrayscale = 1,
  jcYCbCr = 2,
  jcCMYK = 3,
  jcYCCK = 4,
};

// JpegDctMethod; any other value leaves libjpeg's default.
enum TJpegDctMethod : uint8_t {
  jdIslow = 0,
  jdIfast = 1,
  jdFloat = 2,
};

// JpegScale: automatic, or a fixed share of the full size.
enum TJpegScale : uint8_t {
  jsAutomatic = 0,
  jsFullSize = 1,
  jsHalf = 2,
  jsQuarter = 3,
  jsEighth = 4,
};

}  // namespace pix
