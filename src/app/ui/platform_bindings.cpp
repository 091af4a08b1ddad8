#include "app/ui/platform_bindings.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <cmath>

#include "platform/default_resolution.h"
#include "platform/system_colors.h"

namespace pix {

namespace {

QPalette::ColorRole RoleOf(TColor systemColor) {
  switch (systemColor & 0xFF) {
    case 0x05: return QPalette::Base;        // window background
    case 0x08: return QPalette::Text;        // window text
    case 0x10: return QPalette::Dark;        // button shadow
    case 0x12: return QPalette::ButtonText;  // button text
    case 0x14: return QPalette::Light;       // button highlight
    default: return QPalette::Button;        // button face and everything else
  }
}

TColor PaletteColor(TColor systemColor) {
  const QColor c = QGuiApplication::palette().color(QPalette::Active, RoleOf(systemColor));
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

}  // namespace

void InstallPlatformBindings() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    SetDefaultResolution(static_cast<int>(std::lround(screen->logicalDotsPerInchX())),
                         static_cast<int>(std::lround(screen->logicalDotsPerInchY())));
  SetSystemColorResolver(PaletteColor);
}

void ResetPlatformBindings() { SetSystemColorResolver({}); }

}  // namespace pix
