#include "app/ui/file_exists_win.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui/center_on_screen.h"

namespace pix {

namespace {

QRadioButton* AnswerButton(QWidget* parent, const char* name, const QString& text) {
  auto* rb = new QRadioButton(text, parent);
  rb->setObjectName(QString::fromLatin1(name));
  return rb;
}

}  // namespace

TfrmFileExists::TfrmFileExists(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmFileExists"));
  setWindowTitle(tr("File exists"));
  setFixedSize(522, 261);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 4, 8, 8);
  auto* box = new QGroupBox(this);
  auto* inner = new QVBoxLayout(box);
  inner->setSpacing(1);
  inner->addWidget(new QLabel(tr("This file allready exists in the destination folder:"), box));
  lblFile = new QLabel(QStringLiteral("--"), box);
  lblFile->setObjectName(QStringLiteral("lblFile"));
  lblFile->setTextFormat(Qt::PlainText);
  inner->addWidget(lblFile);
  inner->addWidget(new QLabel(tr("Please select action:"), box));
  rbReplace = AnswerButton(box, "rbReplace", tr("Replace this file"));
  rbReplaceAll = AnswerButton(box, "rbReplaceAll", tr("Replace this file and all others that exists in the destination folder"));
  rbSkip = AnswerButton(box, "rbSkip", tr("Skip this file"));
  rbSkipAll = AnswerButton(box, "rbSkipAll", tr("Skip this file and all others that exists in the destination folder"));
  rbRename = AnswerButton(box, "rbRename", tr("Save this file with another name"));
  rbRenameAll = AnswerButton(box, "rbRenameAll", tr("Save all files that exists in the destination folder with another name"));
  rbCancel = AnswerButton(box, "rbCancel", tr("Cancel image conversion"));
  for (QRadioButton* rb : {rbReplace, rbReplaceAll, rbSkip, rbSkipAll, rbRename, rbRenameAll, rbCancel})
    inner->addWidget(rb);
  column->addWidget(box, 1);
  btnOk = new QPushButton(tr("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addStretch(1);
  column->addLayout(buttons);
  rbReplace->setChecked(true);
  rbReplace->setFocus();
  CenterOnScreen(this);
}

void TfrmFileExists::SetFileName(const QString& path) { lblFile->setText(path); }

FileExistsAnswer TfrmFileExists::Answer() const {
  const std::array<QRadioButton*, 6> answers{rbReplace, rbReplaceAll, rbSkip, rbSkipAll, rbRename, rbRenameAll};
  for (size_t i = 0; i < answers.size(); ++i)
    if (answers[i]->isChecked()) return static_cast<FileExistsAnswer>(i + 1);
  return FileExistsAnswer::CancelRun;
}

FileExistsAnswer AskFileExists(QWidget* owner, const std::string& destination) {
  TfrmFileExists dialog(owner);
  dialog.SetFileName(QString::fromStdString(destination));
  dialog.exec();
  return dialog.Answer();
}

}  // namespace pix
