#pragma once
// The netpbm header reader. Internal to the codec.
#include <cstdint>

#include "codecs/common/stream_io.h"
#include "imaging/failure_reason.h"

namespace pix::pnm {

struct TPnmHeader {
  char Magic = 0;         // '1' to '7'
  bool Plain = false;     // P1 to P3: samples written as decimal text
  bool Bits = false;      // PBM: one bit per pixel, 1 = black
  int64_t Width = 0;
  int64_t Height = 0;
  int Depth = 1;          // samples per pixel
  uint32_t MaxVal = 1;
  bool Alpha = false;     // the last sample is opacity (PAM)

  bool Color() const { return Depth >= 3; }
  // Bytes of one raw sample: 2 (big-endian) above maxval 255.
  int SampleBytes() const { return MaxVal > 255 ? 2 : 1; }
};

// Reads the header through reader: magic, then width, height and maxval
// (comments allowed between any two tokens), or the PAM header lines up to
// ENDHDR. On frNone the raster starts at the reader's position. Sizes are
// read up to 2^32 and left for the caller to bound.
TFailureReason ReadPnmHeader(TBufferedReader& reader, TPnmHeader& header);

// Skips whitespace and comments ("#" to the end of the line). Returns the
// next byte (not taken) or -1 at the end.
int SkipSpaceAndComments(TBufferedReader& reader);

inline bool IsPnmSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace pix::pnm
