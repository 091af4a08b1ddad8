#pragma once
// Block introducers, labels and colour-table sizes shared by the GIF reader
// and writer.
#include <array>
#include <cstdint>

#include "codecs/common/io_params.h"

namespace pix {

constexpr uint8_t kGifExtensionIntroducer = 0x21;  // "!"
constexpr uint8_t kGifImageSeparator = 0x2C;       // ","
constexpr uint8_t kGifTrailer = 0x3B;              // ";"
constexpr uint8_t kGifGraphicControlLabel = 0xF9;

constexpr int kGifMaxColors = 256;

// A colour table as the codec keeps it: blue, green, red per entry, always
// room for every byte index.
using TGifColorTable = std::array<TRGB, kGifMaxColors>;

// Entries of a table whose packed size code is code (0..7): 2, 4, .. 256.
constexpr int GifTableEntries(int code) { return 2 << (code & 0x07); }

}  // namespace pix
