#pragma once
// Encoding of the pixel indices of one GIF image as LZW data.
#include <cstdint>

#include "platform/stream.h"

namespace pix {

// Matches TGifLzwEncodeProc. buffer holds width x height palette indices, top
// row first; bits (1 to 8) is the colour depth of the file. Writes at the
// stream's position the minimum code size (bits, but at least 2), the
// variable-length codes (starting with a clear code, a fresh clear code
// whenever the 12-bit table is full, the end code last) in sub-blocks of at
// most 255 bytes, and the zero-length terminator. With interlaced set the rows
// go out in the interlaced order. Indices are taken modulo 2^code size. Stops
// writing after the stream first refuses bytes; the caller's next write sees
// the same refusal.
void GifLzwEncode(TPixStream& stream, int32_t height, int32_t width, bool interlaced, const uint8_t* buffer,
                  int32_t bits);

}  // namespace pix
