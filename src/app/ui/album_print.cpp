#include "app/ui/album_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/logic/fitted_picture.h"
#include "app/ui/bitmap_widget.h"
#include "io/pix_image.h"

namespace pix {

namespace {

constexpr qreal kCaptionPoints = 8.0;

QString FileNameOf(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path)).section(QLatin1Char('/'), -1);
}

}  // namespace

QFont CaptionFont() {
  QFont font;
  font.setPointSizeF(kCaptionPoints);
  return font;
}

TPrintPage PageOf(QPrinter& printer) {
  const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
  return {area.width(), area.height(), printer.logicalDpiX(), printer.logicalDpiY()};
}

int PaintAlbumPage(QPainter& painter, const TPrintPage& page, TSheetGrid grid, bool captions,
                   const std::vector<std::string>& paths) {
  painter.save();
  painter.setFont(CaptionFont());
  const int captionHeight = captions ? painter.fontMetrics().height() : 0;
  const std::vector<TPrintCell> cells = LayoutSheet(page, grid, captionHeight);
  TPixImage image;
  int drawn = 0;
  const double aspect = static_cast<double>(page.DpiX) / page.DpiY;
  for (size_t i = 0; i < std::min(paths.size(), cells.size()); ++i) {
    const TPrintCell& cell = cells[i];
    TBitmap picture;
    const TFailureReason failure =
        LoadFittedPicture(image, paths[i], cell.Picture.Right - cell.Picture.Left, cell.Picture.Bottom - cell.Picture.Top,
                          true, picture, aspect);
    if (failure == frNone) {
      const TRect at = CentredIn(cell.Picture, {picture.Width(), picture.Height()});
      // Drawn 1:1 in device pixels: the picture already has its printed size.
      painter.drawImage(QPoint(at.Left, at.Top), ImageOf(picture));
      ++drawn;
    }
    if (!captions) continue;
    QString caption = FileNameOf(paths[i]);
    if (failure != frNone) caption += QStringLiteral(" (%1)").arg(QString::fromStdString(LocalFailureText(failure)));
    const QRect line(cell.Caption.Left, cell.Caption.Top, cell.Caption.Right - cell.Caption.Left,
                     cell.Caption.Bottom - cell.Caption.Top);
    painter.setPen(Qt::black);
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                     painter.fontMetrics().elidedText(caption, Qt::ElideMiddle, line.width()));
  }
  painter.restore();
  return drawn;
}

bool PrintAlbum(QPrinter& printer, const TPrintJob& job) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const TPrintPage page = PageOf(printer);
  const int perPage = job.Grid.Columns * job.Grid.Rows;
  const int pages = PageCount(static_cast<int>(job.Paths.size()), perPage);
  for (int p = 0; p < pages; ++p) {
    if (p > 0) printer.newPage();
    const auto first = job.Paths.begin() + std::min<ptrdiff_t>(static_cast<ptrdiff_t>(p) * perPage,
                                                               static_cast<ptrdiff_t>(job.Paths.size()));
    const auto last = job.Paths.begin() + std::min<ptrdiff_t>(static_cast<ptrdiff_t>(p + 1) * perPage,
                                                              static_cast<ptrdiff_t>(job.Paths.size()));
    PaintAlbumPage(painter, page, job.Grid, job.Captions, std::vector<std::string>(first, last));
  }
  return painter.end();
}

TfrmPrintOptions::TfrmPrintOptions(int selectedCount, int albumCount, QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmPrintOptions"));
  setWindowTitle(tr("Print pictures"));
  auto* column = new QVBoxLayout(this);
  rbPrintSelected = new QRadioButton(tr("The &selected pictures (%1)").arg(selectedCount), this);
  rbPrintSelected->setObjectName(QStringLiteral("rbPrintSelected"));
  rbPrintAlbum = new QRadioButton(tr("A contact sheet of the &album (%n pictures)", nullptr, albumCount), this);
  rbPrintAlbum->setObjectName(QStringLiteral("rbPrintAlbum"));
  rbPrintSelected->setEnabled(selectedCount > 0);
  rbPrintAlbum->setEnabled(albumCount > 0);
  (selectedCount > 0 ? rbPrintSelected : rbPrintAlbum)->setChecked(true);
  column->addWidget(rbPrintSelected);
  column->addWidget(rbPrintAlbum);
  auto* form = new QFormLayout;
  cbxPerPage = new QComboBox(this);
  cbxPerPage->setObjectName(QStringLiteral("cbxPerPage"));
  for (const TSheetGrid& grid : kSheetGrids) cbxPerPage->addItem(QCoreApplication::translate("PrintLayout", grid.Text));
  cbFileNames = new QCheckBox(tr("File &names under the pictures"), this);
  cbFileNames->setObjectName(QStringLiteral("cbFileNames"));
  cbFileNames->setChecked(true);
  form->addRow(tr("&Layout"), cbxPerPage);
  form->addRow(QString(), cbFileNames);
  column->addLayout(form);
  // One picture per page for a selection, a contact sheet for the album.
  auto pickLayout = [this] { cbxPerPage->setCurrentIndex(rbPrintSelected->isChecked() ? 0 : 2); };
  connect(rbPrintSelected, &QRadioButton::toggled, this, pickLayout);
  pickLayout();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setEnabled(selectedCount > 0 || albumCount > 0);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

bool TfrmPrintOptions::SelectedOnly() const { return rbPrintSelected->isChecked(); }

TSheetGrid TfrmPrintOptions::Grid() const {
  const int index = std::clamp(cbxPerPage->currentIndex(), 0, static_cast<int>(kSheetGrids.size()) - 1);
  return kSheetGrids[static_cast<size_t>(index)];
}

bool TfrmPrintOptions::Captions() const { return cbFileNames->isChecked(); }

}  // namespace pix
