// Pixfold: batch conversion of photo folders for small screens.
#include <QApplication>

#include "app/ui/main_win.h"
#include "app/ui/platform_bindings.h"
#include "codecs/gif/gif_codec.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixfold"));
  pix::InstallPlatformBindings();
  // GIF sources and GIF output need the LZW coders in place before any image is touched.
  pix::InstallGifLzwCoders();
  int result = 0;
  {
    pix::TfrmMainWin window;
    // QApplication has taken its own options out of the arguments by now.
    window.SetArguments(QApplication::arguments().mid(1));
    window.show();
    QApplication::exec();
    result = window.ExitStatus();
  }
  pix::ResetPlatformBindings();
  return result;
}
