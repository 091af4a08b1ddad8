#include "app/ui/about_win.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui/center_on_screen.h"

namespace pix {

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(tr("About Pixfold"));
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
  auto* note = new QLabel(tr("Batch photo converter for handheld devices"), this);
  note->setAlignment(Qt::AlignCenter);
  btnClose = new QPushButton(tr("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(title);
  column->addWidget(lblVersionNo, 0, Qt::AlignHCenter);
  column->addWidget(note);
  column->addWidget(btnClose, 0, Qt::AlignHCenter);
  // A translated note longer than the box widens it.
  const QMargins margins = column->contentsMargins();
  setFixedWidth(std::max(width(), note->sizeHint().width() + margins.left() + margins.right()));
  CenterOnScreen(this);
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  lblVersionNo->setText(QStringLiteral("v 1.1"));
}

}  // namespace pix
