#include "app/ui/help_win.h"

#include <QFile>
#include <QFrame>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/ui/center_on_screen.h"
#include "app/ui/ui_language.h"

// The help page ships in a static library, so its resources are registered by
// hand (outside any namespace, as the macro requires).
static void RegisterHelpPage() { Q_INIT_RESOURCE(pixfold); }

namespace pix {

QUrl HelpPageUrl() {
  RegisterHelpPage();
  const QString language = UiLanguage();
  const QString translated = QStringLiteral(":/help/pixfold_help_%1.html").arg(language);
  if (!language.isEmpty() && QFile::exists(translated)) return QUrl(QStringLiteral("qrc") + translated);
  return QUrl(QStringLiteral("qrc:/help/pixfold_help.html"));
}

TfrmHelp::TfrmHelp(QWidget* owner) : QDialog(owner) {
  RegisterHelpPage();
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(tr("Help"));
  setSizeGripEnabled(false);
  resize(606, 434);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* panel = new QFrame(this);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(5, 5, 5, 5);
  oWebBrowser = new QTextBrowser(panel);
  oWebBrowser->setObjectName(QStringLiteral("oWebBrowser"));
  oWebBrowser->setOpenExternalLinks(true);
  panelLayout->addWidget(oWebBrowser);
  column->addWidget(panel, 1);
  oStatusBar = new QStatusBar(this);
  column->addWidget(oStatusBar);
  CenterOnScreen(this);
}

void TfrmHelp::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) oWebBrowser->setSource(HelpPageUrl());
}

}  // namespace pix
