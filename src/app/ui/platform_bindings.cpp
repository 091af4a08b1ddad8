#include "app/ui/platform_bindings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QThread>
#include <array>
#include <cmath>
#include <mutex>

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

TColor PaletteColor(const QPalette& palette, TColor systemColor) {
  const QColor c = palette.color(QPalette::Active, RoleOf(systemColor));
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

// The palette's colours for every system colour index, for threads other
// than the window's: Qt's palette is the window thread's to read. Kept fresh
// by watching the application's palette changes.
class TPaletteSnapshot : public QObject {
public:
  TPaletteSnapshot() { Take(); }
  TColor Color(TColor systemColor) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_colors[systemColor & 0xFF];
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) Take();
    return false;
  }

private:
  void Take() {
    const QPalette palette = QGuiApplication::palette();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < 256; ++i) m_colors[static_cast<size_t>(i)] = PaletteColor(palette, static_cast<TColor>(i));
  }

  std::mutex m_mutex;
  std::array<TColor, 256> m_colors{};
};

TPaletteSnapshot* g_snapshot = nullptr;

TColor SessionColor(TColor systemColor) {
  if (QThread::currentThread() == qApp->thread())
    return PaletteColor(QGuiApplication::palette(), systemColor);
  return g_snapshot ? g_snapshot->Color(systemColor) : PaletteColor(QPalette(), systemColor);
}

}  // namespace

void InstallPlatformBindings() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    SetDefaultResolution(static_cast<int>(std::lround(screen->logicalDotsPerInchX())),
                         static_cast<int>(std::lround(screen->logicalDotsPerInchY())));
  if (!g_snapshot) {
    g_snapshot = new TPaletteSnapshot;
    qApp->installEventFilter(g_snapshot);
  }
  SetSystemColorResolver(SessionColor);
}

void ResetPlatformBindings() {
  SetSystemColorResolver({});
  if (g_snapshot) {
    qApp->removeEventFilter(g_snapshot);
    delete g_snapshot;
    g_snapshot = nullptr;
  }
}

}  // namespace pix
