#pragma once
// Decoding of the LZW-coded pixel data of one GIF image.
#include <cstdint>

#include "platform/stream.h"

namespace pix {

// Matches TGifLzwDecodeProc. The stream stands at the minimum-code-size byte;
// buffer holds width x height bytes. Fills the buffer with one palette index
// per pixel, top row first, each row left to right (an interlaced image is put
// back in display order), and leaves the stream just past the zero-length
// terminating sub-block (or at the stream's end when the data is cut off).
// Damaged data never writes outside the buffer: what decodes validly is kept,
// every pixel after the first invalid code (or missing data) gets index 0, and
// the data is still consumed through its terminator. The stream position stays
// unchanged only when there was not even a code-size byte to read.
void GifLzwDecode(TPixStream& stream, int32_t height, int32_t width, bool interlaced, uint8_t* buffer);

}  // namespace pix
