#include "platform/system_colors.h"

namespace pix {

namespace {

// Usual light theme values for the system colours a desktop defines.
TColor BuiltInSystemColor(TColor c) {
  switch (c & 0xFF) {
    case 0x05: return RGBColor(255, 255, 255);  // window
    case 0x08: return RGBColor(0, 0, 0);        // window text
    case 0x0F: return RGBColor(240, 240, 240);  // button face
    case 0x10: return RGBColor(160, 160, 160);  // button shadow
    case 0x12: return RGBColor(0, 0, 0);        // button text
    case 0x14: return RGBColor(255, 255, 255);  // button highlight
    default: return RGBColor(240, 240, 240);
  }
}

TSystemColorResolver& Resolver() {
  static TSystemColorResolver resolver;
  return resolver;
}

}  // namespace

void SetSystemColorResolver(TSystemColorResolver resolver) { Resolver() = std::move(resolver); }

TColor ResolveColor(TColor c) {
  if (!IsSystemColor(c)) return c & 0x00FFFFFF;
  const auto& r = Resolver();
  return (r ? r(c) : BuiltInSystemColor(c)) & 0x00FFFFFF;
}

}  // namespace pix
