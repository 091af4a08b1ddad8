#include "app/ui/main_win.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "app/logic/command_line.h"
#include "app/logic/convert_one.h"
#include "app/logic/folder_identity.h"
#include "app/logic/paths.h"
#include "app/logic/set_aside.h"
#include "app/ui/about_win.h"
#include "app/ui/center_on_screen.h"
#include "app/ui/file_exists_win.h"
#include "app/ui/help_win.h"
#include "app/ui/pix_image_widget.h"
#include "app/ui/select_folder.h"

namespace pix {

namespace {

// A plain message with the application's title, as the program's own notices are.
void ShowMessage(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pixfold"), text, QMessageBox::Ok, owner);
  box.exec();
}

// What a spin edit shows: text that is not an integer counts as the minimum.
int SpinValue(const QSpinBox* spin) {
  bool ok = false;
  int value = spin->cleanText().trimmed().toInt(&ok);
  return ok ? std::clamp(value, spin->minimum(), spin->maximum()) : spin->minimum();
}

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

TfrmMainWin::TfrmMainWin(QWidget* parent) : QMainWindow(parent) {
  BuildControls();
  // The options are read from the controls at each call, as they show then.
  m_convertOne = [this](const std::string& source, const std::string& destination) {
    return ConvertOne(ImageComponent(), CurrentSettings(), source, destination).Written;
  };
  m_askFileExists = [this](const std::string& destination) { return AskFileExists(this, destination); };
  ConnectHandlers();
  UpdateControls();
  CenterOnScreen(this);
}

void TfrmMainWin::ConnectHandlers() {
  connect(cbxImageSize, &QComboBox::currentIndexChanged, this, &TfrmMainWin::cbxImageSizeChange);
  for (QRadioButton* rb : {rbNoRotation, rb90Left, rb90Rigth})
    connect(rb, &QRadioButton::toggled, this, &TfrmMainWin::rbNoRotationClick);
  for (QLineEdit* edit : {sleSourcePath, sleDestinationPath})
    connect(edit, &QLineEdit::textChanged, this, &TfrmMainWin::sleSourcePathChange);
  for (QPushButton* button : {btnSelSourcePath, btnSelDestinationPatn})
    connect(button, &QPushButton::clicked, this, [this, button] { btnSelSourcePathClick(button); });
  connect(btnStartConvert, &QPushButton::clicked, this, &TfrmMainWin::btnStartConvertClick);
  connect(btnStopConverting, &QPushButton::clicked, this, &TfrmMainWin::btnStopConvertingClick);
  connect(oStartTimer, &QTimer::timeout, this, &TfrmMainWin::oStartTimerTimer);
  connect(UsingPixfold1, &QAction::triggered, this, &TfrmMainWin::UsingPixfold1Click);
  connect(About1, &QAction::triggered, this, &TfrmMainWin::About1Click);
  // Start is the default button and Stop the cancel button of the window;
  // each key reaches its button only while that button can be pressed.
  auto pressIfUsable = [](QPushButton* button) {
    if (button->isVisible() && button->isEnabled()) button->click();
  };
  for (auto key : {Qt::Key_Return, Qt::Key_Enter})
    connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
            [this, pressIfUsable] { pressIfUsable(btnStartConvert); });
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          [this, pressIfUsable] { pressIfUsable(btnStopConverting); });
}

void TfrmMainWin::UpdateControls() {
  grpPath->setEnabled(!m_busy);
  grpConversion->setEnabled(!m_busy);
  btnStartConvert->setVisible(!m_busy);
  btnStopConverting->setVisible(m_busy);
  btnStartConvert->setEnabled(!sleSourcePath->text().isEmpty() && !sleDestinationPath->text().isEmpty());
  const bool userSize = cbxImageSize->currentIndex() == kUserDefinedSize;
  spnMaxWidth->setEnabled(userSize);
  spnMaxHeight->setEnabled(userSize);
  // Hiding the landscape option keeps its checked state.
  const bool rotates = !rbNoRotation->isChecked();
  cbLandscapeOnly->setVisible(rotates);
  lblLandscapeOnly->setVisible(rotates);
}

ConversionSettings TfrmMainWin::CurrentSettings() const {
  ConversionSettings s;
  s.Source = Utf8(sleSourcePath->text());
  s.Destination = Utf8(sleDestinationPath->text());
  s.Recursive = cbScanRecursive->isChecked();
  s.MaxHeight = MaxHeightValue();
  s.MaxWidth = MaxWidthValue();
  s.ConvertToGrayscale = cbBlackWhite->isChecked();
  s.ConvertToJPG = rbSaveAsJpg->isChecked();
  s.ConvertJPG = cbConvertJPG->isChecked();
  s.ConvertGIF = cbConvertGIF->isChecked();
  s.ConvertBMP = cbConvertBMP->isChecked();
  s.LandscapeOnly = cbLandscapeOnly->isChecked();
  s.JPGQuality = oJPGDetail->value();
  s.Rotation = rbNoRotation->isChecked() ? kRotationNone : rb90Left->isChecked() ? kRotation90Left : kRotation90Right;
  s.SizeCategory = cbxImageSize->currentIndex();
  return s;
}

QWidget* TfrmMainWin::Preview() const { return imgConvert; }

TPixImage& TfrmMainWin::ImageComponent() const { return imgConvert->Image(); }

int TfrmMainWin::MaxWidthValue() const { return SpinValue(spnMaxWidth); }
int TfrmMainWin::MaxHeightValue() const { return SpinValue(spnMaxHeight); }

void TfrmMainWin::ApplySettings(const ConversionSettings& s) {
  sleSourcePath->setText(QString::fromStdString(s.Source));
  sleDestinationPath->setText(QString::fromStdString(s.Destination));
  cbScanRecursive->setChecked(s.Recursive);
  spnMaxHeight->setValue(s.MaxHeight);  // the controls clamp out-of-range values
  spnMaxWidth->setValue(s.MaxWidth);
  cbBlackWhite->setChecked(s.ConvertToGrayscale);
  // An exclusive radio button cannot be unchecked itself: check its partner.
  (s.ConvertToJPG ? rbSaveAsJpg : rbSaveAsOriginal)->setChecked(true);
  cbConvertJPG->setChecked(s.ConvertJPG);
  cbConvertGIF->setChecked(s.ConvertGIF);
  cbConvertBMP->setChecked(s.ConvertBMP);
  cbLandscapeOnly->setChecked(s.LandscapeOnly);
  oJPGDetail->setValue(s.JPGQuality);
  if (s.Rotation == kRotationNone) rbNoRotation->setChecked(true);
  if (s.Rotation == kRotation90Left) rb90Left->setChecked(true);
  if (s.Rotation == kRotation90Right) rb90Rigth->setChecked(true);
  const bool knownSize = s.SizeCategory >= 0 && s.SizeCategory <= kUserDefinedSize;
  cbxImageSize->setCurrentIndex(knownSize ? s.SizeCategory : -1);
  // The preset comes last so that it overrides the stored sizes.
  cbxImageSizeChange();
  rbNoRotationClick();
}

void TfrmMainWin::cbxImageSizeChange() {
  const int index = cbxImageSize->currentIndex();
  if (index >= 0 && index < static_cast<int>(kSizePresets.size())) {
    spnMaxWidth->setValue(kSizePresets[static_cast<size_t>(index)].Width);
    spnMaxHeight->setValue(kSizePresets[static_cast<size_t>(index)].Height);
  }
  UpdateControls();
}

void TfrmMainWin::rbNoRotationClick() { UpdateControls(); }

void TfrmMainWin::sleSourcePathChange() { UpdateControls(); }

void TfrmMainWin::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // A window restored from the task bar is not shown anew.
  if (!event->spontaneous()) FormShow();
}

void TfrmMainWin::FormShow() {
  m_settingsPath = ProfilePath(kSettingsFileName);
  ApplySettings(LoadConversionSettings(TProfileFile(m_settingsPath)));
  std::vector<std::string> args;
  for (const QString& arg : m_arguments) args.push_back(Utf8(arg));
  const TCommandLineFlags flags = ReadCommandLine(args);
  m_autoStart = flags.AutoStart;
  m_overwrite = flags.Overwrite;
  if (m_autoStart) oStartTimer->start();
}

void TfrmMainWin::closeEvent(QCloseEvent* event) {
  // Closing during a run stops it between files; the window closes when the
  // run has restored it, so the settings are saved once, from an idle window.
  if (m_busy) {
    m_stopRequested = true;
    m_closeAfterRun = true;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TfrmMainWin::FormClose() {
  oStartTimer->stop();
  if (m_settingsPath.empty()) m_settingsPath = ProfilePath(kSettingsFileName);
  try {
    TProfileFile file(m_settingsPath);
    SaveConversionSettings(file, CurrentSettings());
  } catch (const EProfileWriteError& e) {
    // The window still closes: keeping it open would leave no way out.
    ShowMessage(this, QString::fromStdString(e.what()));
  }
}

void TfrmMainWin::btnSelSourcePathClick(QPushButton* sender) {
  const bool source = sender == btnSelSourcePath;
  QString path;
  if (!SelectFolder(this, source ? QStringLiteral("Select source folder") : QStringLiteral("Select destination folder"),
                    QString(), path))
    return;
  (source ? sleSourcePath : sleDestinationPath)->setText(path);
}

void TfrmMainWin::btnStopConvertingClick() { m_stopRequested = true; }

void TfrmMainWin::oStartTimerTimer() {
  oStartTimer->stop();
  btnStartConvertClick();
}

void TfrmMainWin::UsingPixfold1Click() {
  TfrmHelp help(this);
  help.exec();
}

void TfrmMainWin::About1Click() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMainWin::btnStartConvertClick() {
  // The start timer may fire while a run started by hand pumps messages.
  if (m_busy) return;
  m_stopRequested = false;
  TExistingFilePolicy policy(m_overwrite, m_askFileExists);
  if (NameSameFolder(Utf8(sleSourcePath->text()), Utf8(sleDestinationPath->text()))) {
    ShowMessage(this, QStringLiteral("Source and destination directory should be different."));
    return;
  }
  SetBusy(true);
  FillFileList();
  QCoreApplication::processEvents();
  for (int row = 0; row < static_cast<int>(m_rows.size()); ++row)
    if (!ConvertRow(row, policy)) break;
  SetBusy(false);
  if (m_autoStart || m_closeAfterRun) {
    m_closeAfterRun = false;
    close();
  }
}

void TfrmMainWin::FillFileList() {
  lstFiles->clear();
  m_rows.clear();
  TScanOptions options;
  options.Recursive = cbScanRecursive->isChecked();
  options.ConvertJPG = cbConvertJPG->isChecked();
  options.ConvertGIF = cbConvertGIF->isChecked();
  options.ConvertBMP = cbConvertBMP->isChecked();
  ScanFolder(Utf8(sleSourcePath->text()), "", options, m_rows);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(m_rows.size()));
  for (const TScanRow& row : m_rows) {
    auto* item = new QTreeWidgetItem({QString::fromStdString(row.Subfolder), QString::fromStdString(row.File)});
    // A check box the user cannot toggle: only the run checks a row.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
    item->setCheckState(0, Qt::Unchecked);
    items.append(item);
  }
  lstFiles->addTopLevelItems(items);
  // A bar whose range is empty would show as busy; an empty run shows as done.
  oProgressBar->setRange(0, std::max(1, static_cast<int>(m_rows.size())));
}

bool TfrmMainWin::ConvertRow(int row, TExistingFilePolicy& policy) {
  QTreeWidgetItem* item = lstFiles->topLevelItem(row);
  lstFiles->scrollToItem(item);
  const TScanRow& entry = m_rows[static_cast<size_t>(row)];
  const std::string source = ComposeFilePath(Utf8(sleSourcePath->text()), entry.Subfolder, entry.File);
  std::string destination = ComposeFilePath(Utf8(sleDestinationPath->text()), entry.Subfolder, entry.File);
  if (rbSaveAsJpg->isChecked()) destination = JpegNameFor(destination);
  lblFileToName->setText(QString::fromStdString(destination));
  oProgressBar->setValue(row);
  QCoreApplication::processEvents();
  // A stop that came in with the messages ends the run before anything about
  // this file is asked or deleted.
  if (m_stopRequested) return false;
  const TFileDecision decision = policy.Settle(destination);
  if (decision.Action == TFileAction::StopRun) {
    m_stopRequested = true;
    return false;
  }
  if (decision.Action != TFileAction::Convert) return true;
  const bool converted = decision.ReplaceExisting ? ConvertReplacing(source, decision.Destination)
                                                  : ConvertGuarded(source, decision.Destination);
  if (converted) item->setCheckState(0, Qt::Checked);
  return true;
}

bool TfrmMainWin::ConvertGuarded(const std::string& source, const std::string& destination) {
  // A failure inside one file never ends the run or leaves the window busy.
  try {
    return m_convertOne(source, destination);
  } catch (...) {
    return false;
  }
}

bool TfrmMainWin::ConvertReplacing(const std::string& source, const std::string& destination) {
  // The existing file goes only once its replacement is written: a failed
  // conversion puts it back as it was. When it cannot be moved aside the
  // conversion still tries to write over it.
  TSetAsideFile existing(destination);
  const bool converted = ConvertGuarded(source, destination);
  existing.Finish(converted);
  return converted;
}

void TfrmMainWin::SetBusy(bool busy) {
  m_busy = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    oProgressBar->setValue(oProgressBar->maximum());
    QApplication::restoreOverrideCursor();
  }
  UpdateControls();
}

}  // namespace pix
