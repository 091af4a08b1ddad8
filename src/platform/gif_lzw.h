#pragma once
// What this platform's GIF LZW coders share: the code width limit and the row
// order of interlaced images. The coders themselves are in gif_lzw_decoder.h
// and gif_lzw_encoder.h; the GIF codec installs them (InstallGifLzwCoders).
#include <cstdint>
#include <vector>

namespace pix {

// The code width limit of GIF LZW and the table size it implies.
constexpr int kGifLzwMaxBits = 12;
constexpr int kGifLzwTableSize = 1 << kGifLzwMaxBits;

// Display rows in the order an interlaced GIF stores them: every 8th row from
// 0, every 8th from 4, every 4th from 2, every 2nd from 1. Element i is the
// display row of stored row i; the result holds each of 0 .. height-1 once.
std::vector<int32_t> InterlacedRowOrder(int32_t height);

}  // namespace pix
