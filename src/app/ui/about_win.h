#pragma once
// The about box of the Help menu.
#include <QDialog>

class QLabel;
class QPushButton;

namespace pix {

class TfrmAbout : public QDialog {
  Q_OBJECT

public:
  explicit TfrmAbout(QWidget* owner);

protected:
  void showEvent(QShowEvent* event) override;

private:
  QLabel* lblVersionNo = nullptr;
  QPushButton* btnClose = nullptr;
};

}  // namespace pix
