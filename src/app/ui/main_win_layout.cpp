// Construction of the main window's controls; the behaviour is in main_win.cpp.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "app/ui/album_panel.h"
#include "app/ui/main_win.h"
#include "app/ui/pix_image_widget.h"
#include "app/ui/small_widgets.h"

namespace pix {

namespace {

// The window opens at this client size; it may be made smaller down to the
// minimum (the options then scroll) and as large as the screen.
constexpr int kClientWidth = 530;
constexpr int kClientHeight = 483;
constexpr int kMinimumWidth = 380;
constexpr int kMinimumHeight = 300;
// What a window frame usually takes beside the client area.
constexpr int kFrameAllowance = 16;
constexpr int kTitleAllowance = 48;
constexpr int kPreviewSize = 100;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// The preview of the window; it is also the image control each file goes
// through, so it is made in this one place.
TPixImageWidget* CreatePreview(QWidget* parent) {
  return Named(new TPixImageWidget(kPreviewSize, kPreviewSize, parent), "imgConvert");
}

QSpinBox* CreateSizeSpin(QWidget* parent, const char* name, int formValue) {
  auto* spin = Named(new QSpinBox(parent), name);
  spin->setRange(kMinImageSize, kMaxImageSize);
  spin->setValue(formValue);
  spin->setEnabled(false);
  return spin;
}

QGridLayout* TightGrid(QWidget* parent) {
  auto* grid = new QGridLayout(parent);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(4);
  return grid;
}

}  // namespace

void TfrmMainWin::BuildControls() {
  setObjectName(QStringLiteral("frmMainWin"));
  setWindowTitle(QStringLiteral("Pixfold"));
  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(4);
  // The options scroll when the window is made (or opens) smaller than they
  // are; every other pixel of height goes to the file list and the preview.
  auto* options = new QWidget;
  auto* groups = new QHBoxLayout(options);
  groups->setContentsMargins(0, 0, 0, 0);
  groups->setSpacing(6);
  groups->addWidget(BuildPathGroup(), 1);
  groups->addWidget(BuildConversionGroup(), 1);
  oOptions = Named(new TFitScrollArea(client), "oOptions");
  oOptions->setWidget(options);
  oOptions->setWidgetResizable(true);
  oOptions->setFrameShape(QFrame::NoFrame);
  oOptions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  oOptions->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  column->addWidget(oOptions);
  column->addWidget(BuildButtons());
  column->addWidget(BuildStatusGroup(), 1);
  setCentralWidget(client);
  BuildMenu();
  oStartTimer = Named(new QTimer(this), "oStartTimer");
  oStartTimer->setInterval(100);
  oStartTimer->setSingleShot(true);
  SetTabOrder();
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  // The designed width (or wider where a translation's captions need it: the
  // options do not scroll sideways), and at least the designed height: tall
  // enough to show every option without scrolling (FitToScreen bounds it by
  // the screen).
  const int besideOptions = column->contentsMargins().left() + column->contentsMargins().right() +
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int clientWidth = std::max(kClientWidth, options->minimumSizeHint().width() + besideOptions);
  const int optionsWidth = clientWidth - besideOptions;
  const int optionsHeight = options->layout()->totalHeightForWidth(optionsWidth) + 2 * oOptions->frameWidth() + 6;
  const int wanted = column->contentsMargins().top() + column->contentsMargins().bottom() + optionsHeight +
                     client->layout()->itemAt(1)->sizeHint().height() + GroupBox3->minimumSizeHint().height() +
                     2 * column->spacing();
  resize(clientWidth, std::max(kClientHeight, wanted) + menuBar()->sizeHint().height());
}

void TfrmMainWin::FitToScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  // The frame (title bar, borders) is not known before the first show;
  // leave room for a usual one.
  const QRect available = screen->availableGeometry();
  const QSize room(available.width() - kFrameAllowance, available.height() - kTitleAllowance);
  const QSize fitted = size().boundedTo(room).expandedTo(minimumSize());
  if (fitted != size()) resize(fitted);
}

void TfrmMainWin::SetTabOrder() {
  // Reading order: each folder field before its "..." button, then down the
  // first group, then down the second, then the button and the list.
  const std::vector<QWidget*> order = {
      sleSourcePath, btnSelSourcePath, sleDestinationPath, btnSelDestinationPatn, cbScanRecursive, rbSaveAsJpg,
      rbSaveAsOriginal, cbConvertJPG, cbConvertGIF, cbConvertBMP, cbConvertPNG, cbConvertTIFF, cbConvertHEIF,
      cbConvertOther, cbxImageSize, spnMaxWidth, spnMaxHeight, cbBlackWhite, rbNoRotation, rb90Left, rb90Rigth,
      cbLandscapeOnly, cbAutoOrient, oJPGDetail, cbxMetadata, btnStartConvert, btnStopConverting, lstFiles};
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QGroupBox* TfrmMainWin::BuildPathGroup() {
  grpPath = Named(new QGroupBox(tr("P&ath"), this), "grpPath");
  auto* grid = TightGrid(grpPath);
  sleSourcePath = Named(new QLineEdit(grpPath), "sleSourcePath");
  sleDestinationPath = Named(new QLineEdit(grpPath), "sleDestinationPath");
  btnSelSourcePath = Named(new QPushButton(QStringLiteral("..."), grpPath), "btnSelSourcePath");
  btnSelDestinationPatn = Named(new QPushButton(QStringLiteral("..."), grpPath), "btnSelDestinationPatn");
  btnSelSourcePath->setToolTip(tr("Choose the source folder (Ctrl+O)"));
  btnSelDestinationPatn->setToolTip(tr("Choose the destination folder (Ctrl+Shift+O)"));
  btnSelSourcePath->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  btnSelDestinationPatn->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  for (QPushButton* b : {btnSelSourcePath, btnSelDestinationPatn}) b->setFixedWidth(28);
  for (QLineEdit* e : {sleSourcePath, sleDestinationPath}) AcceptFolderDrops(e);
  cbScanRecursive = Named(new QCheckBox(tr("Include subdirectories"), grpPath), "cbScanRecursive");
  rbSaveAsJpg = Named(new QRadioButton(tr("Convert all images to jpg"), grpPath), "rbSaveAsJpg");
  rbSaveAsOriginal =
      Named(new QRadioButton(tr("Save as original imagetype"), grpPath), "rbSaveAsOriginal");
  rbSaveAsJpg->setChecked(true);
  cbConvertJPG = Named(new QCheckBox(tr("Convert JPG images"), grpPath), "cbConvertJPG");
  cbConvertGIF = Named(new QCheckBox(tr("Convert GIF images"), grpPath), "cbConvertGIF");
  cbConvertBMP = Named(new QCheckBox(tr("Convert BMP images"), grpPath), "cbConvertBMP");
  cbConvertPNG = Named(new QCheckBox(tr("Convert PNG images"), grpPath), "cbConvertPNG");
  cbConvertTIFF = Named(new QCheckBox(tr("Convert TIFF images"), grpPath), "cbConvertTIFF");
  cbConvertHEIF = Named(new TWrapCheckBox(tr("Convert HEIC, AVIF and WebP images"), grpPath),
                        "cbConvertHEIF");
  cbConvertOther = Named(new TWrapCheckBox(tr("Convert other images (PCX, TGA, PNM, ICO, CUR, WMF, EMF)"),
                                           grpPath),
                         "cbConvertOther");

  int row = 0;
  auto* sourceLabel = new QLabel(tr("Sou&rce image folder"), grpPath);
  sourceLabel->setBuddy(sleSourcePath);
  auto* destinationLabel = new QLabel(tr("&Destination image folder"), grpPath);
  destinationLabel->setBuddy(sleDestinationPath);
  grid->addWidget(sourceLabel, row++, 0, 1, 2);
  grid->addWidget(sleSourcePath, row, 0);
  grid->addWidget(btnSelSourcePath, row++, 1);
  grid->addWidget(destinationLabel, row++, 0, 1, 2);
  grid->addWidget(sleDestinationPath, row, 0);
  grid->addWidget(btnSelDestinationPatn, row++, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{cbScanRecursive, rbSaveAsJpg, rbSaveAsOriginal, cbConvertJPG,
                                                    cbConvertGIF, cbConvertBMP, cbConvertPNG, cbConvertTIFF,
                                                    cbConvertHEIF, cbConvertOther})
    grid->addWidget(w, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
  return grpPath;
}

QGroupBox* TfrmMainWin::BuildConversionGroup() {
  grpConversion = Named(new QGroupBox(tr("&Conversion rules"), this), "grpConversion");
  auto* grid = TightGrid(grpConversion);
  cbxImageSize = Named(new QComboBox(grpConversion), "cbxImageSize");
  for (const TSizePreset& preset : kSizePresets) cbxImageSize->addItem(QString::fromUtf8(preset.Text));
  cbxImageSize->addItem(QCoreApplication::translate("ConversionSettings", kUserDefinedSizeText));
  spnMaxWidth = CreateSizeSpin(grpConversion, "spnMaxWidth", 240);
  spnMaxHeight = CreateSizeSpin(grpConversion, "spnMaxHeight", 320);
  cbBlackWhite = Named(new QCheckBox(tr("Convert to grayscale"), grpConversion), "cbBlackWhite");
  rbNoRotation = Named(new QRadioButton(tr("Do not rotate image"), grpConversion), "rbNoRotation");
  rb90Left = Named(new QRadioButton(tr("Rotate 90 deg. left"), grpConversion), "rb90Left");
  rb90Rigth = Named(new QRadioButton(tr("Rotate 90 deg. right"), grpConversion), "rb90Rigth");
  rbNoRotation->setChecked(true);
  cbLandscapeOnly =
      Named(new QCheckBox(tr("Only rotate landscape"), grpConversion), "cbLandscapeOnly");
  lblLandscapeOnly = Named(new QLabel(tr("pictures"), grpConversion), "lblLandscapeOnly");
  cbAutoOrient = Named(new QCheckBox(tr("Turn photos upright"), grpConversion), "cbAutoOrient");
  cbAutoOrient->setToolTip(tr("Turn and mirror each photo as its camera's orientation tag says, first"));
  cbAutoOrient->setChecked(true);
  oJPGDetail = Named(new QSlider(Qt::Horizontal, grpConversion), "oJPGDetail");
  oJPGDetail->setRange(kMinJpgQuality, kMaxJpgQuality);
  oJPGDetail->setValue(kMinJpgQuality);
  oJPGDetail->setTickInterval(1);
  oJPGDetail->setSingleStep(1);
  oJPGDetail->setPageStep(1);
  oJPGDetail->setTickPosition(QSlider::TicksBothSides);
  lblJPGQualityValue = Named(new QLabel(grpConversion), "lblJPGQualityValue");
  lblJPGQualityValue->setMinimumWidth(lblJPGQualityValue->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
  lblJPGQualityValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cbxMetadata = Named(new QComboBox(grpConversion), "cbxMetadata");
  cbxMetadata->addItems({tr("Keep all metadata"), tr("Compact metadata"), tr("Strip metadata")});
  cbxMetadata->setToolTip(tr(
      "Compact keeps date, camera and exposure, drops thumbnails, GPS and colour profiles; strip keeps nothing"));

  int row = 0;
  auto* sizeLabel = new QLabel(tr("&Image size"), grpConversion);
  sizeLabel->setBuddy(cbxImageSize);
  grid->addWidget(sizeLabel, row++, 0, 1, 2);
  grid->addWidget(cbxImageSize, row++, 0, 1, 2);
  grid->addWidget(new QLabel(tr("Max width"), grpConversion), row, 0);
  grid->addWidget(spnMaxWidth, row++, 1);
  grid->addWidget(new QLabel(tr("Max height"), grpConversion), row, 0);
  grid->addWidget(spnMaxHeight, row++, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{cbBlackWhite, rbNoRotation, rb90Left, rb90Rigth})
    grid->addWidget(w, row++, 0, 1, 2);
  auto* landscape = new QHBoxLayout;
  landscape->setSpacing(4);
  landscape->addWidget(cbLandscapeOnly);
  landscape->addWidget(lblLandscapeOnly);
  landscape->addStretch(1);
  grid->addLayout(landscape, row++, 0, 1, 2);
  grid->addWidget(cbAutoOrient, row++, 0, 1, 2);
  auto* qualityLabel = new QLabel(tr("JPG &quality"), grpConversion);
  qualityLabel->setBuddy(oJPGDetail);
  grid->addWidget(qualityLabel, row++, 0, 1, 2);
  auto* quality = new QHBoxLayout;
  quality->addWidget(new QLabel(tr("min"), grpConversion));
  quality->addWidget(oJPGDetail, 1);
  quality->addWidget(new QLabel(tr("max"), grpConversion));
  quality->addWidget(lblJPGQualityValue);
  grid->addLayout(quality, row++, 0, 1, 2);
  auto* metadataLabel = new QLabel(tr("&Metadata"), grpConversion);
  metadataLabel->setBuddy(cbxMetadata);
  grid->addWidget(metadataLabel, row, 0);
  grid->addWidget(cbxMetadata, row++, 1);
  grid->setRowStretch(row, 1);
  return grpConversion;
}

QWidget* TfrmMainWin::BuildButtons() {
  auto* strip = new QWidget(this);
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(0, 0, 0, 0);
  btnStartConvert = Named(new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay),
                                          tr("&Start converting"), strip),
                          "btnStartConvert");
  btnStopConverting = Named(new QPushButton(style()->standardIcon(QStyle::SP_MediaStop),
                                            tr("S&top converting"), strip),
                            "btnStopConverting");
  // Both buttons share one place: only one of them is ever visible.
  for (QPushButton* b : {btnStartConvert, btnStopConverting}) b->setMinimumWidth(150);
  btnStartConvert->setDefault(true);
  btnStartConvert->setEnabled(false);
  btnStopConverting->setVisible(false);
  row->addStretch(1);
  row->addWidget(btnStartConvert);
  row->addWidget(btnStopConverting);
  return strip;
}

QGroupBox* TfrmMainWin::BuildStatusGroup() {
  GroupBox3 = Named(new QGroupBox(tr("Conversion stat&us"), this), "GroupBox3");
  auto* row = new QHBoxLayout(GroupBox3);
  row->setContentsMargins(8, 4, 8, 8);
  auto* column = new QVBoxLayout;
  column->setSpacing(3);
  lblFileToName = Named(new TElidedLabel(QStringLiteral("."), GroupBox3), "lblFileToName");
  oProgressBar = Named(new QProgressBar(GroupBox3), "oProgressBar");
  oProgressBar->setRange(0, 100);
  oProgressBar->setValue(0);
  oProgressBar->setTextVisible(false);
  lstFiles = Named(new QTreeWidget(GroupBox3), "lstFiles");
  lstFiles->setHeaderLabels({tr("Subfolder"), tr("File"), tr("Status")});
  lstFiles->setColumnWidth(0, 150);
  lstFiles->setColumnWidth(1, 150);
  lstFiles->header()->setStretchLastSection(true);
  lstFiles->setRootIsDecorated(false);
  lstFiles->setUniformRowHeights(true);
  lstFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  lstFiles->setItemDelegateForColumn(0, new TReadOnlyCheckDelegate(lstFiles));
  // Room for a few rows always: the options scroll before the list shrinks.
  lstFiles->setMinimumHeight(lstFiles->fontMetrics().height() * 5);
  column->addWidget(lblFileToName);
  column->addWidget(oProgressBar);
  m_album = new TAlbumPanel(lstFiles, [this] { return CurrentSettings(); }, [this] { return Busy(); }, GroupBox3);
  column->addWidget(m_album, 1);
  row->addLayout(column, 3);
  imgConvert = CreatePreview(GroupBox3);
  // The preview grows with the window, keeping its fitting rules.
  imgConvert->setMinimumSize(kPreviewSize, kPreviewSize);
  imgConvert->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  row->addWidget(imgConvert, 1);
  return GroupBox3;
}

void TfrmMainWin::BuildMenu() {
  m_album->AddMenus(menuBar());
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  UsingPixfold1 = Named(help->addAction(tr("&Using Pixfold...")), "UsingPixfold1");
  UsingPixfold1->setShortcut(QKeySequence::HelpContents);
  About1 = Named(help->addAction(tr("&About...")), "About1");
}

}  // namespace pix
