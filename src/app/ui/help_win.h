#pragma once
// The help window of the Help menu: the program's help page in a browser.
#include <QDialog>
#include <QUrl>

class QStatusBar;
class QTextBrowser;

namespace pix {

// Where the help page ships inside the program: the page in the window's
// language (UiLanguage()), or the English one when there is none in it.
QUrl HelpPageUrl();

class TfrmHelp : public QDialog {
  Q_OBJECT

public:
  explicit TfrmHelp(QWidget* owner);

protected:
  void showEvent(QShowEvent* event) override;

private:
  QTextBrowser* oWebBrowser = nullptr;
  QStatusBar* oStatusBar = nullptr;
};

}  // namespace pix
