#pragma once
// Colour values: 0x00BBGGRR (red in the low byte). A value with the top bit set
// names a system colour, resolved through a replaceable resolver when used.
#include <cstdint>
#include <functional>

namespace pix {

using TColor = uint32_t;

constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor kSystemColorFlag = 0x80000000;

inline bool IsSystemColor(TColor c) { return (c & kSystemColorFlag) != 0; }

// Given a system colour value, answers 0x00BBGGRR.
using TSystemColorResolver = std::function<TColor(TColor)>;

// Installs the resolver (an empty one restores the built-in table).
void SetSystemColorResolver(TSystemColorResolver resolver);
// Resolves c to 0x00BBGGRR; plain colours pass through with the top byte cleared.
TColor ResolveColor(TColor c);

inline uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
inline uint8_t GreenOf(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline uint8_t BlueOf(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
inline TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

}  // namespace pix
