// Pixfold: batch conversion of photo folders for small screens.
#include <QApplication>

#include "app/ui/main_win.h"
#include "app/ui/platform_bindings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixfold"));
  pix::InstallPlatformBindings();
  int result = 0;
  {
    pix::TfrmMainWin window;
    // QApplication has taken its own options out of the arguments by now.
    window.SetArguments(QApplication::arguments().mid(1));
    window.show();
    result = QApplication::exec();
  }
  pix::ResetPlatformBindings();
  return result;
}
