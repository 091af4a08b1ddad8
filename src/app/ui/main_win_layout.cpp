// Construction of the main window's controls; the behaviour is in main_win.cpp.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui/main_win.h"
#include "app/ui/pix_image_widget.h"

namespace pix {

namespace {

constexpr int kClientWidth = 530;
constexpr int kClientHeight = 483;
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
  client->setFixedSize(kClientWidth, kClientHeight);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(4);
  auto* groups = new QHBoxLayout;
  groups->setSpacing(6);
  groups->addWidget(BuildPathGroup(), 1);
  groups->addWidget(BuildConversionGroup(), 1);
  column->addLayout(groups);
  column->addWidget(BuildButtons());
  column->addWidget(BuildStatusGroup(), 1);
  setCentralWidget(client);
  BuildMenu();
  oStartTimer = Named(new QTimer(this), "oStartTimer");
  oStartTimer->setInterval(100);
  oStartTimer->setSingleShot(true);
  // Fixed single border: the window is exactly the client area and the menu.
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

QGroupBox* TfrmMainWin::BuildPathGroup() {
  grpPath = Named(new QGroupBox(QStringLiteral("Path"), this), "grpPath");
  auto* grid = TightGrid(grpPath);
  sleSourcePath = Named(new QLineEdit(grpPath), "sleSourcePath");
  sleDestinationPath = Named(new QLineEdit(grpPath), "sleDestinationPath");
  btnSelSourcePath = Named(new QPushButton(QStringLiteral("..."), grpPath), "btnSelSourcePath");
  btnSelDestinationPatn = Named(new QPushButton(QStringLiteral("..."), grpPath), "btnSelDestinationPatn");
  for (QPushButton* b : {btnSelSourcePath, btnSelDestinationPatn}) b->setFixedWidth(28);
  cbScanRecursive = Named(new QCheckBox(QStringLiteral("Include subdirectories"), grpPath), "cbScanRecursive");
  rbSaveAsJpg = Named(new QRadioButton(QStringLiteral("Convert all images to jpg"), grpPath), "rbSaveAsJpg");
  rbSaveAsOriginal =
      Named(new QRadioButton(QStringLiteral("Save as original imagetype"), grpPath), "rbSaveAsOriginal");
  rbSaveAsJpg->setChecked(true);
  cbConvertJPG = Named(new QCheckBox(QStringLiteral("Convert JPG images"), grpPath), "cbConvertJPG");
  cbConvertGIF = Named(new QCheckBox(QStringLiteral("Convert GIF images"), grpPath), "cbConvertGIF");
  cbConvertBMP = Named(new QCheckBox(QStringLiteral("Convert BMP images"), grpPath), "cbConvertBMP");

  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("Source image folder"), grpPath), row++, 0, 1, 2);
  grid->addWidget(sleSourcePath, row, 0);
  grid->addWidget(btnSelSourcePath, row++, 1);
  grid->addWidget(new QLabel(QStringLiteral("Destination image folder"), grpPath), row++, 0, 1, 2);
  grid->addWidget(sleDestinationPath, row, 0);
  grid->addWidget(btnSelDestinationPatn, row++, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{cbScanRecursive, rbSaveAsJpg, rbSaveAsOriginal, cbConvertJPG,
                                                    cbConvertGIF, cbConvertBMP})
    grid->addWidget(w, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
  return grpPath;
}

QGroupBox* TfrmMainWin::BuildConversionGroup() {
  grpConversion = Named(new QGroupBox(QStringLiteral("Conversion rules"), this), "grpConversion");
  auto* grid = TightGrid(grpConversion);
  cbxImageSize = Named(new QComboBox(grpConversion), "cbxImageSize");
  for (const TSizePreset& preset : kSizePresets) cbxImageSize->addItem(QString::fromUtf8(preset.Text));
  cbxImageSize->addItem(QString::fromUtf8(kUserDefinedSizeText));
  spnMaxWidth = CreateSizeSpin(grpConversion, "spnMaxWidth", 240);
  spnMaxHeight = CreateSizeSpin(grpConversion, "spnMaxHeight", 320);
  cbBlackWhite = Named(new QCheckBox(QStringLiteral("Convert to grayscale"), grpConversion), "cbBlackWhite");
  rbNoRotation = Named(new QRadioButton(QStringLiteral("Do not rotate image"), grpConversion), "rbNoRotation");
  rb90Left = Named(new QRadioButton(QStringLiteral("Rotate 90 deg. left"), grpConversion), "rb90Left");
  rb90Rigth = Named(new QRadioButton(QStringLiteral("Rotate 90 deg. right"), grpConversion), "rb90Rigth");
  rbNoRotation->setChecked(true);
  cbLandscapeOnly =
      Named(new QCheckBox(QStringLiteral("Only rotate landscape"), grpConversion), "cbLandscapeOnly");
  lblLandscapeOnly = Named(new QLabel(QStringLiteral("pictures"), grpConversion), "lblLandscapeOnly");
  oJPGDetail = Named(new QSlider(Qt::Horizontal, grpConversion), "oJPGDetail");
  oJPGDetail->setRange(kMinJpgQuality, kMaxJpgQuality);
  oJPGDetail->setValue(kMinJpgQuality);
  oJPGDetail->setTickInterval(1);
  oJPGDetail->setSingleStep(1);
  oJPGDetail->setPageStep(1);
  oJPGDetail->setTickPosition(QSlider::TicksBothSides);

  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("Image size"), grpConversion), row++, 0, 1, 2);
  grid->addWidget(cbxImageSize, row++, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Max width"), grpConversion), row, 0);
  grid->addWidget(spnMaxWidth, row++, 1);
  grid->addWidget(new QLabel(QStringLiteral("Max height"), grpConversion), row, 0);
  grid->addWidget(spnMaxHeight, row++, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{cbBlackWhite, rbNoRotation, rb90Left, rb90Rigth})
    grid->addWidget(w, row++, 0, 1, 2);
  auto* landscape = new QHBoxLayout;
  landscape->setSpacing(4);
  landscape->addWidget(cbLandscapeOnly);
  landscape->addWidget(lblLandscapeOnly);
  landscape->addStretch(1);
  grid->addLayout(landscape, row++, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("JPG quality"), grpConversion), row++, 0, 1, 2);
  auto* quality = new QHBoxLayout;
  quality->addWidget(new QLabel(QStringLiteral("min"), grpConversion));
  quality->addWidget(oJPGDetail, 1);
  quality->addWidget(new QLabel(QStringLiteral("max"), grpConversion));
  grid->addLayout(quality, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
  return grpConversion;
}

QWidget* TfrmMainWin::BuildButtons() {
  auto* strip = new QWidget(this);
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(0, 0, 0, 0);
  btnStartConvert = Named(new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay),
                                          QStringLiteral("Start converting"), strip),
                          "btnStartConvert");
  btnStopConverting = Named(new QPushButton(style()->standardIcon(QStyle::SP_MediaStop),
                                            QStringLiteral("Stop converting"), strip),
                            "btnStopConverting");
  // Both buttons share one place: only one of them is ever visible.
  for (QPushButton* b : {btnStartConvert, btnStopConverting}) b->setFixedWidth(150);
  btnStartConvert->setDefault(true);
  btnStartConvert->setEnabled(false);
  btnStopConverting->setVisible(false);
  row->addStretch(1);
  row->addWidget(btnStartConvert);
  row->addWidget(btnStopConverting);
  return strip;
}

QGroupBox* TfrmMainWin::BuildStatusGroup() {
  GroupBox3 = Named(new QGroupBox(QStringLiteral("Conversion status"), this), "GroupBox3");
  auto* row = new QHBoxLayout(GroupBox3);
  row->setContentsMargins(8, 4, 8, 8);
  auto* column = new QVBoxLayout;
  column->setSpacing(3);
  lblFileToName = Named(new QLabel(QStringLiteral("."), GroupBox3), "lblFileToName");
  lblFileToName->setTextFormat(Qt::PlainText);
  lblFileToName->setMinimumWidth(1);
  oProgressBar = Named(new QProgressBar(GroupBox3), "oProgressBar");
  oProgressBar->setRange(0, 100);
  oProgressBar->setValue(0);
  oProgressBar->setTextVisible(false);
  lstFiles = Named(new QTreeWidget(GroupBox3), "lstFiles");
  lstFiles->setHeaderLabels({QStringLiteral("Subfolder"), QStringLiteral("File"), QStringLiteral("Status")});
  lstFiles->setColumnWidth(0, 150);
  lstFiles->setColumnWidth(1, 150);
  lstFiles->header()->setStretchLastSection(true);
  lstFiles->setRootIsDecorated(false);
  lstFiles->setUniformRowHeights(true);
  lstFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  column->addWidget(lblFileToName);
  column->addWidget(oProgressBar);
  column->addWidget(lstFiles, 1);
  row->addLayout(column, 1);
  imgConvert = CreatePreview(GroupBox3);
  row->addWidget(imgConvert, 0, Qt::AlignTop);
  return GroupBox3;
}

void TfrmMainWin::BuildMenu() {
  QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
  UsingPixfold1 = Named(help->addAction(QStringLiteral("Using Pixfold...")), "UsingPixfold1");
  About1 = Named(help->addAction(QStringLiteral("About...")), "About1");
}

}  // namespace pix
