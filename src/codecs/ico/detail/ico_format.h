#pragma once
// Layout of the icon and cursor directory, shared by the reader and the
// writer. Internal to the codec.
#include <cstdint>

namespace pix::ico {

constexpr int kHeaderSize = 6;
constexpr int kEntrySize = 16;
constexpr uint16_t kTypeIcon = 1;
constexpr uint16_t kTypeCursor = 2;
constexpr int kMaxSide = 256;

struct TDirEntry {
  int Width = 0;          // 1..256 (the byte 0 stands for 256)
  int Height = 0;
  uint8_t ColorCount = 0;
  uint16_t Planes = 0;    // cursors: the hot spot's x
  uint16_t BitCount = 0;  // cursors: the hot spot's y
  uint32_t Size = 0;
  uint32_t Offset = 0;
};

void ParseEntry(const uint8_t* raw, TDirEntry& e);
void BuildEntry(const TDirEntry& e, uint8_t* raw);

}  // namespace pix::ico
