#pragma once
// The input of codecs whose libraries parse a whole file from memory (libheif,
// libwebp): the stream's bytes from its position, read into one buffer.
#include <cstdint>
#include <vector>

#include "platform/stream.h"

namespace pix {

// Reads up to count bytes from the stream's position into out, fewer where
// the stream ends first; the stream is left after the last byte read. Throws
// EPixOutOfMemory when the buffer cannot be had.
void ReadIntoMemory(TPixStream& stream, int64_t count, std::vector<uint8_t>& out);

// Bytes from the stream's position to its end (0 when it is past the end).
int64_t RemainingBytes(const TPixStream& stream);

}  // namespace pix
