#pragma once
// The pixel-data decoders of the BMP reader, one per depth and compression.
// Internal to the codec.
#include <array>
#include <cstdint>

#include "codecs/bmp/detail/bmp_format.h"
#include "platform/stream.h"

namespace pix::bmp {

// One image being decoded. The image is already allocated at the file's size
// (zero-filled, so rows the file holds no data for stay black).
struct TBmpDecodeJob {
  TPixStream& Stream;
  TBitmap& Image;
  TProgressRecord& Progress;
  int Depth = 0;
  bool TopDown = false;
  int64_t FileRowSize = 0;
  double Step = 0.0;
  const TBmpPalette& Palette;
  bool InvertBits = false;                // 1 bit: the table is white, black
  std::array<uint32_t, 3> Masks{};        // 16 bits: red, green, blue
  int64_t RleSize = 0;
  TPixMask* Alpha = nullptr;              // 32 bits: the fourth bytes, already of the image's size

  // Image row of the stored row with index stored (0 = first in the file).
  uint8_t* Row(int64_t stored) {
    const int64_t y = TopDown ? stored : Image.Height() - 1 - stored;
    return Image.ScanLine(static_cast<int32_t>(y));
  }
  uint8_t* AlphaRow(int64_t stored) {
    const int64_t y = TopDown ? stored : Image.Height() - 1 - stored;
    return Alpha->ScanLine(static_cast<int32_t>(y));
  }
  // Progress before stored row k; false once AbortFlag is set.
  bool BeginRow(int64_t k) {
    ReportRowProgress(Progress, k, Step);
    return !Progress.Aborted();
  }
  // The file ended before its pixels did: the image still loads, marked damaged.
  void NoteShortData() {
    if (!Progress.Aborted()) Progress.NoteDamage(frTruncated);
  }
};

void DecodeBilevelRows(TBmpDecodeJob& job);   // 1 bit, uncompressed
void DecodeIndexedRows(TBmpDecodeJob& job);   // 4 and 8 bits, uncompressed
void DecodeRleData(TBmpDecodeJob& job);       // RLE4 and RLE8
void DecodeBitFieldRows(TBmpDecodeJob& job);  // 16 bits
void DecodeTrueColorRows(TBmpDecodeJob& job); // 24 bits
void DecodeQuadRows(TBmpDecodeJob& job);      // 32 bits

}  // namespace pix::bmp
