#include "app/ui/select_folder.h"

#include <QFileDialog>
#include <QFileInfo>

namespace pix {

bool SelectFolder(QWidget* owner, const QString& title, const QString& root, QString& path) {
  if (!path.isEmpty() && !QFileInfo(path).isDir()) path.clear();
  const QString start = path.isEmpty() ? root : path;
  const QString chosen = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

}  // namespace pix
