#include "app/ui/about_win.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/center_on_screen.h"

namespace pix {

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Pixfold"));
  setFixedSize(304, 142);
  auto* column = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Pixfold"), this);
  QFont titleFont = title->font();
  titleFont.setPixelSize(13);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  lblVersionNo = new QLabel(QStringLiteral("v. 1.0"), this);
  lblVersionNo->setObjectName(QStringLiteral("lblVersionNo"));
  lblVersionNo->setAlignment(Qt::AlignCenter);
  QFont bold = lblVersionNo->font();
  bold.setBold(true);
  lblVersionNo->setFont(bold);
  lblVersionNo->setFixedWidth(120);
  auto* note = new QLabel(QStringLiteral("Batch photo converter for handheld devices"), this);
  note->setAlignment(Qt::AlignCenter);
  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(title);
  column->addWidget(lblVersionNo, 0, Qt::AlignHCenter);
  column->addWidget(note);
  column->addWidget(btnClose, 0, Qt::AlignHCenter);
  CenterOnScreen(this);
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  lblVersionNo->setText(QStringLiteral("v 1.1"));
}

}  // namespace pix
