#pragma once
// Little-endian field access and the one checked write routine the palette
// writers send every write through.
#include <cstdint>

#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Writes count bytes; when the stream takes fewer, sets AbortFlag and returns
// false. Once AbortFlag is set, writes nothing and returns false.
bool WriteChecked(TPixStream& stream, const void* data, int64_t count, TProgressRecord& progress);
bool WriteByte(TPixStream& stream, uint8_t value, TProgressRecord& progress);
bool WriteLE16(TPixStream& stream, uint16_t value, TProgressRecord& progress);
bool WriteLE32(TPixStream& stream, uint32_t value, TProgressRecord& progress);

// Bounds-checked little-endian reads from a buffer; callers check the size.
inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Stream reads that report whether every byte arrived.
bool ReadByte(TPixStream& stream, uint8_t& value);
bool ReadLE16(TPixStream& stream, uint16_t& value);
bool ReadLE32(TPixStream& stream, uint32_t& value);

}  // namespace pix
