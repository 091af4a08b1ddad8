#pragma once
// Layout constants and small rules shared by the BMP reader, writer and RLE
// coder. Internal to the codec.
#include <array>
#include <cstdint>

#include "codecs/bmp/bmp_codec.h"
#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "codecs/common/resolution.h"
#include "imaging/progress.h"

namespace pix::bmp {

constexpr uint16_t kSignature = 0x4D42;  // "BM"
constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;
constexpr int kInfoHeaderSize = 40;
constexpr int kInfoHeader64Size = 64;
// Info headers of at least this size carry the bit-field masks themselves.
constexpr int kMaskHeaderSize = 52;
constexpr int kMaxTableEntries = 256;

enum TBmpCompressionCode : uint32_t {
  bcNone = 0,
  bcRle8 = 1,
  bcRle4 = 2,
  bcBitFields = 3,
  bcAlphaBitFields = 6,
};

// BmpVersion codes of the parameter record.
constexpr uint8_t kVersionOther = 0;
constexpr uint8_t kVersionInfo40 = 1;
constexpr uint8_t kVersionCore = 2;
constexpr uint8_t kVersionInfo64 = 3;

// Bytes per stored row: ((width x depth + 31) div 32) x 4; 0 for width <= 0.
inline int64_t FileRowSize(int64_t width, int depth) { return DibRowSize(width, depth); }

// The percentage reported before row k: trunc(k x step), step = 100 / height.
void ReportRowProgress(TProgressRecord& progress, int64_t k, double step);
inline double ProgressStep(int64_t height) { return height > 0 ? 100.0 / static_cast<double>(height) : 0.0; }

// A colour table as the decoders use it: 256 entries, black past the file's table,
// so no index can reach outside it.
using TBmpPalette = std::array<TRGB, kMaxTableEntries>;

// What the RLE decoder needs of the image being read.
struct TRleTarget {
  TBitmap& Image;           // TrueColor, already of the file's size
  bool TopDown = false;     // rows stored top row first
  const TBmpPalette& Palette;
  double Step = 0.0;        // progress step
};

// Decodes RLE8 (depth 8) or RLE4 (depth 4) data into the image. Never reads
// past size nor writes outside the image; pixels the data skips stay as they
// are. Reports progress at each end of line and stops once AbortFlag is set.
void DecodeRle(const uint8_t* data, int64_t size, int depth, TRleTarget& target, TProgressRecord& progress);

// Encodes one row of palette indices (one per byte) as RLE8 (depth 8) or RLE4
// (depth 4), ending with the end-of-line code. out needs room for
// RleLineCapacity(width) bytes; returns the number of bytes written.
int64_t EncodeRleLine(const uint8_t* indices, int32_t width, int depth, uint8_t* out);
inline int64_t RleLineCapacity(int32_t width) { return 10 * static_cast<int64_t>(width > 0 ? width : 1); }

}  // namespace pix::bmp
