// Pixfold: batch conversion of photo folders for small screens.
#include <QApplication>
#include <algorithm>
#include <thread>

#include "app/ui/main_win.h"
#include "app/ui/platform_bindings.h"
#include "app/ui/ui_language.h"
#include "codecs/gif/gif_codec.h"
#include "imaging/imaging_threads.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixfold"));
  // Lets Wayland compositors match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.pixfold.Pixfold"));
  pix::InstallPlatformBindings();
  // Before any window is made: the controls take their texts when built.
  pix::InstallSystemTranslations();
  // GIF sources and GIF output need the LZW coders in place before any image is touched.
  pix::InstallGifLzwCoders();
  // A picture shown on its own (viewer, slideshow) may use every core; a run
  // sets its own share while its workers convert.
  pix::SetImagingThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  int result = 0;
  {
    pix::TfrmMainWin window;
    // QApplication has taken its own options out of argv by now; the rest
    // are handed on as the bytes they are.
    window.SetRawArguments(std::vector<std::string>(argv + 1, argv + argc));
    window.show();
    QApplication::exec();
    result = window.ExitStatus();
  }
  pix::RemoveTranslations();
  pix::ResetPlatformBindings();
  return result;
}
