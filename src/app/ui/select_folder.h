#pragma once
// The folder chooser behind the "..." buttons.
#include <QString>

class QWidget;

namespace pix {

// Shows a chooser of existing folders with the title. It opens at path when
// that names a folder (else path is cleared first), otherwise at root. True
// and the chosen folder in path when one was chosen; a cancelled chooser
// leaves path as it was after that check and returns false.
bool SelectFolder(QWidget* owner, const QString& title, const QString& root, QString& path);

}  // namespace pix
