#pragma once
// Printing pictures: the selected ones or a contact sheet of the album, laid
// out by LayoutSheet at the printer's resolution and drawn from pictures our
// library resampled to their printed size (nothing is scaled by the painter).
#include <QDialog>
#include <QFont>
#include <QString>
#include <string>
#include <vector>

#include "app/logic/print_layout.h"

class QCheckBox;
class QComboBox;
class QPainter;
class QPrinter;
class QRadioButton;

namespace pix {

struct TPrintJob {
  std::vector<std::string> Paths;  // the pictures, in order
  TSheetGrid Grid = kSheetGrids[2];
  bool Captions = true;            // file names under the pictures
};

// The font of the file names under printed pictures.
QFont CaptionFont();

// Draws one page: the pictures (at most one per cell, in order) into the
// cells of the page, each fitted into its box and centred, with its file
// name under it. The painter's origin is the printable area's top-left corner.
// Pictures that cannot be read leave their cell empty but for the name and
// why. Returns how many pictures were drawn.
int PaintAlbumPage(QPainter& painter, const TPrintPage& page, TSheetGrid grid, bool captions,
                   const std::vector<std::string>& paths);

// Prints the job on the printer, page after page; false when the printer
// could not be started.
bool PrintAlbum(QPrinter& printer, const TPrintJob& job);

// The printable area and resolution of a printer as the layout takes them.
TPrintPage PageOf(QPrinter& printer);

// What to print and how: the selected pictures or the whole album, and the
// pictures per page.
class TfrmPrintOptions : public QDialog {
  Q_OBJECT

public:
  TfrmPrintOptions(int selectedCount, int albumCount, QWidget* owner);
  bool SelectedOnly() const;
  TSheetGrid Grid() const;
  bool Captions() const;

private:
  QRadioButton* rbPrintSelected = nullptr;
  QRadioButton* rbPrintAlbum = nullptr;
  QComboBox* cbxPerPage = nullptr;
  QCheckBox* cbFileNames = nullptr;
};

}  // namespace pix
