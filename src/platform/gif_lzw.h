#pragma once
// This platform's GIF LZW coders and their installation as the library's
// process-wide defaults (the image library itself installs none).
#include <cstdint>
#include <vector>

namespace pix {

// Sets DefaultGifLzwDecode to GifLzwDecode and DefaultGifLzwEncode to
// GifLzwEncode. Parameter records reset afterwards copy them; records reset
// before fall back to them because the codec uses the defaults when a record's
// coder is empty. Call once at start-up, before any GIF is loaded or saved.
void InstallGifLzwCoders();

// The code width limit of GIF LZW and the table size it implies.
constexpr int kGifLzwMaxBits = 12;
constexpr int kGifLzwTableSize = 1 << kGifLzwMaxBits;

// Display rows in the order an interlaced GIF stores them: every 8th row from
// 0, every 8th from 4, every 4th from 2, every 2nd from 1. Element i is the
// display row of stored row i; the result holds each of 0 .. height-1 once.
std::vector<int32_t> InterlacedRowOrder(int32_t height);

}  // namespace pix
