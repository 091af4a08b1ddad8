#pragma once
// The "File exists" dialog of a run.
#include <QDialog>
#include <array>
#include <string>

#include "app/logic/file_exists_policy.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace pix {

class TfrmFileExists : public QDialog {
  Q_OBJECT

public:
  explicit TfrmFileExists(QWidget* owner);

  void SetFileName(const QString& path);
  // The number (1..6) of the first checked answer, or CancelRun when none of
  // the first six is checked.
  FileExistsAnswer Answer() const;

private:
  QLabel* lblFile = nullptr;
  QRadioButton* rbReplace = nullptr;
  QRadioButton* rbReplaceAll = nullptr;
  QRadioButton* rbSkip = nullptr;
  QRadioButton* rbSkipAll = nullptr;
  QRadioButton* rbRename = nullptr;
  QRadioButton* rbRenameAll = nullptr;
  QRadioButton* rbCancel = nullptr;
  QPushButton* btnOk = nullptr;
};

// Shows the dialog modally for the destination path and returns the answer,
// however the dialog was closed.
FileExistsAnswer AskFileExists(QWidget* owner, const std::string& destination);

}  // namespace pix
