#include "codecs/common/stream_io.h"
#include "codecs/ico/detail/ico_format.h"

namespace pix::ico {

void ParseEntry(const uint8_t* raw, TDirEntry& e) {
  e.Width = raw[0] == 0 ? kMaxSide : raw[0];
  e.Height = raw[1] == 0 ? kMaxSide : raw[1];
  e.ColorCount = raw[2];
  e.Planes = GetLE16(raw + 4);
  e.BitCount = GetLE16(raw + 6);
  e.Size = GetLE32(raw + 8);
  e.Offset = GetLE32(raw + 12);
}

void BuildEntry(const TDirEntry& e, uint8_t* raw) {
  raw[0] = static_cast<uint8_t>(e.Width >= kMaxSide ? 0 : e.Width);
  raw[1] = static_cast<uint8_t>(e.Height >= kMaxSide ? 0 : e.Height);
  raw[2] = e.ColorCount;
  raw[3] = 0;
  PutLE16(raw + 4, e.Planes);
  PutLE16(raw + 6, e.BitCount);
  PutLE32(raw + 8, e.Size);
  PutLE32(raw + 12, e.Offset);
}

}  // namespace pix::ico
