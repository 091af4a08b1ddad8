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
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

#include "app/logic/command_line.h"
#include "app/logic/convert_one.h"
#include "app/logic/folder_identity.h"
#include "app/logic/paths.h"
#include "platform/file_attributes.h"
#include "app/ui/about_win.h"
#include "app/ui/album_panel.h"
#include "app/ui/center_on_screen.h"
#include "app/ui/file_exists_win.h"
#include "app/ui/help_win.h"
#include "app/ui/pix_image_widget.h"
#include "app/ui/small_widgets.h"
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

// A path as the file system has it, shown in a control.
QString Shown(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// A line on standard error, for the unattended runs people script.
void PrintError(const QString& text) {
  const QByteArray line = text.toLocal8Bit();
  std::fprintf(stderr, "pixfold: %s\n", line.constData());
  std::fflush(stderr);
}

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

TfrmMainWin::TfrmMainWin(QWidget* parent) : QMainWindow(parent) {
  BuildControls();
  m_askFileExists = [this](const std::string& destination) { return AskFileExists(this, destination); };
  ConnectHandlers();
  UpdateControls();
  oJPGDetailChange();
  FitToScreen();
  CenterOnScreen(this);
}

void TfrmMainWin::ConnectHandlers() {
  connect(cbxImageSize, &QComboBox::currentIndexChanged, this, &TfrmMainWin::cbxImageSizeChange);
  connect(oJPGDetail, &QSlider::valueChanged, this, &TfrmMainWin::oJPGDetailChange);
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

TfrmMainWin::~TfrmMainWin() { StopRunThread(); }

void TfrmMainWin::StopRunThread() {
  m_closing = true;
  {
    std::lock_guard<std::mutex> lock(m_runMutex);
    if (m_run) m_run->RequestStop();
  }
  if (m_runThread.joinable()) m_runThread.join();
}

void TfrmMainWin::ShowFolder(QLineEdit* edit, const std::string& bytes) {
  TFolderText& folder = edit == sleSourcePath ? m_sourceText : m_destinationText;
  folder = {Shown(bytes), bytes};
  edit->setText(folder.Shown);
}

std::string TfrmMainWin::FolderOf(const QLineEdit* edit) const {
  const TFolderText& folder = edit == sleSourcePath ? m_sourceText : m_destinationText;
  if (edit->text() == folder.Shown) return folder.Bytes;
  return QFile::encodeName(edit->text()).toStdString();
}

std::string TfrmMainWin::SourceFolder() const { return FolderOf(sleSourcePath); }
std::string TfrmMainWin::DestinationFolder() const { return FolderOf(sleDestinationPath); }

ConversionSettings TfrmMainWin::CurrentSettings() const {
  // Keys without a control keep what the settings file said.
  ConversionSettings s = m_loaded;
  s.Source = SourceFolder();
  s.Destination = DestinationFolder();
  s.Recursive = cbScanRecursive->isChecked();
  s.MaxHeight = MaxHeightValue();
  s.MaxWidth = MaxWidthValue();
  s.ConvertToGrayscale = cbBlackWhite->isChecked();
  s.ConvertToJPG = rbSaveAsJpg->isChecked();
  s.ConvertJPG = cbConvertJPG->isChecked();
  s.ConvertGIF = cbConvertGIF->isChecked();
  s.ConvertBMP = cbConvertBMP->isChecked();
  s.ConvertPNG = cbConvertPNG->isChecked();
  s.ConvertTIFF = cbConvertTIFF->isChecked();
  s.ConvertOther = cbConvertOther->isChecked();
  s.ConvertHEIF = cbConvertHEIF->isChecked();
  s.AutoOrient = cbAutoOrient->isChecked();
  s.Metadata = cbxMetadata->currentIndex();
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
  ShowFolder(sleSourcePath, s.Source);
  ShowFolder(sleDestinationPath, s.Destination);
  m_loaded = s;
  cbScanRecursive->setChecked(s.Recursive);
  spnMaxHeight->setValue(s.MaxHeight);  // the controls clamp out-of-range values
  spnMaxWidth->setValue(s.MaxWidth);
  cbBlackWhite->setChecked(s.ConvertToGrayscale);
  // An exclusive radio button cannot be unchecked itself: check its partner.
  (s.ConvertToJPG ? rbSaveAsJpg : rbSaveAsOriginal)->setChecked(true);
  cbConvertJPG->setChecked(s.ConvertJPG);
  cbConvertGIF->setChecked(s.ConvertGIF);
  cbConvertBMP->setChecked(s.ConvertBMP);
  cbConvertPNG->setChecked(s.ConvertPNG);
  cbConvertTIFF->setChecked(s.ConvertTIFF);
  cbConvertOther->setChecked(s.ConvertOther);
  cbConvertHEIF->setChecked(s.ConvertHEIF);
  cbAutoOrient->setChecked(s.AutoOrient);
  cbxMetadata->setCurrentIndex(EffectiveSettings(s).Metadata);
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

void TfrmMainWin::oJPGDetailChange() {
  lblJPGQualityValue->setText(QString::number(oJPGDetail->value() * 10) + QStringLiteral(" %"));
}

void TfrmMainWin::sleSourcePathChange() { UpdateControls(); }

void TfrmMainWin::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // A window restored from the task bar is not shown anew.
  if (!event->spontaneous()) FormShow();
}

void TfrmMainWin::SetArguments(const QStringList& args) {
  m_arguments.clear();
  for (const QString& arg : args) m_arguments.push_back(QFile::encodeName(arg).toStdString());
}

void TfrmMainWin::FormShow() {
  m_settingsPath = ProfilePath(kSettingsFileName);
  ApplySettings(LoadConversionSettings(TProfileFile(m_settingsPath)));
  const TCommandLineFlags flags = ReadCommandLine(m_arguments);
  m_autoStart = flags.AutoStart;
  m_overwrite = flags.Overwrite;
  // A folder opened with Pixfold from a file manager replaces the saved one.
  if (!flags.Source.empty()) ShowFolder(sleSourcePath, flags.Source);
  if (m_autoStart) oStartTimer->start();
}

void TfrmMainWin::closeEvent(QCloseEvent* event) {
  // Closing during a run stops it between files; the window closes when the
  // run has restored it, so the settings are saved once, from an idle window.
  if (m_busy) {
    m_closeAfterRun = true;
    btnStopConvertingClick();
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
    // The window still closes: keeping it open would leave no way out. An
    // unattended run must not wait for someone to read the message.
    const QString text = tr("Unable to write to %1").arg(Shown(e.Path()));
    if (m_autoStart)
      PrintError(text);
    else
      ShowMessage(this, text);
  }
}

void TfrmMainWin::btnSelSourcePathClick(QPushButton* sender) {
  const bool source = sender == btnSelSourcePath;
  QLineEdit* edit = source ? sleSourcePath : sleDestinationPath;
  // The chooser opens at the folder in the field, or the nearest one of its
  // parents that exists, else at home.
  QString path = Shown(FolderOf(edit)).trimmed();
  while (!path.isEmpty() && !QFileInfo(path).isDir()) {
    const QString parent = QFileInfo(path).path();
    path = parent == path ? QString() : parent;
  }
  if (!SelectFolder(this, source ? tr("Select source folder") : tr("Select destination folder"),
                    QDir::homePath(), path))
    return;
  edit->setText(path);
}

void TfrmMainWin::btnStopConvertingClick() {
  m_stopRequested = true;
  std::lock_guard<std::mutex> lock(m_runMutex);
  if (m_run) m_run->RequestStop();
}

void TfrmMainWin::oStartTimerTimer() {
  oStartTimer->stop();
  btnStartConvertClick();
}

void TfrmMainWin::UsingPixfold1Click() {
  // The help stays open beside the window while the user works in it.
  if (!m_help) {
    m_help = new TfrmHelp(this);
    m_help->setModal(false);
    m_help->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_help, &QObject::destroyed, this, [this] { m_help = nullptr; });
  }
  m_help->show();
  m_help->raise();
  m_help->activateWindow();
}

void TfrmMainWin::About1Click() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMainWin::btnStartConvertClick() {
  // The start timer may fire while a run started by hand is going.
  if (m_busy) return;
  m_stopRequested = false;
  if (!MayStart()) return;
  SetBusy(true);
  FillFileList();
  if (m_rows.empty()) {
    SetBusy(false);
    const std::string source = SourceFolder();
    if (!DirectoryExists(source))
      Report(tr("The source folder does not exist: %1").arg(Shown(source)), 2);
    else
      Report(tr("No pictures to convert in %1").arg(Shown(source)), 0);
    return;
  }
  StartRun();
}

bool TfrmMainWin::MayStart() {
  // A blank folder text would mean the root of the file system.
  if (Blank(SourceFolder()) || Blank(DestinationFolder())) {
    Report(tr("Choose a source folder and a destination folder."), 2);
    return false;
  }
  if (NameSameFolder(SourceFolder(), DestinationFolder())) {
    // A person may have started this from a shortcut: the message waits for
    // them, and the window stays open.
    m_exitStatus = 2;
    ShowMessage(this, tr("Source and destination directory should be different."));
    return false;
  }
  return true;
}

void TfrmMainWin::FillFileList() {
  lstFiles->clear();
  m_rows.clear();
  ScanFolder(SourceFolder(), "", ScanOptionsOf(CurrentSettings()), m_rows);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(m_rows.size()));
  for (const TScanRow& row : m_rows) {
    auto* item = new QTreeWidgetItem({Shown(row.Subfolder), Shown(row.File), QString()});
    // A check box the user cannot toggle: only the run checks a row.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
    item->setCheckState(0, Qt::Unchecked);
    items.append(item);
  }
  lstFiles->addTopLevelItems(items);
  m_album->SetRunRows(m_rows);
  // A bar whose range is empty would show as busy; an empty run shows as done.
  oProgressBar->setRange(0, std::max(1, static_cast<int>(m_rows.size())));
  oProgressBar->setValue(0);
}

void TfrmMainWin::StartRun() {
  const ConversionSettings settings = CurrentSettings();
  TConversionRun::TOptions options;
  options.Settings = settings;
  options.Convert = m_convertOne;
  options.Existing = m_overwrite ? TExistingMode::Replace : TExistingMode::Ask;
  options.Threads = settings.Threads;
  options.WantPreview = true;
  // The run's events come from its own thread; the window acts on them in
  // its own, in the order they came.
  TConversionRun::TEvents events;
  events.RowStarted = [this](int row, const std::string& destination) {
    QMetaObject::invokeMethod(this, [this, row, destination] { RowStarted(row, destination); }, Qt::QueuedConnection);
  };
  events.RowFinished = [this](int row, const TRowResult& result, const TBitmap* preview) {
    std::shared_ptr<TBitmap> copy;
    if (preview) {
      copy = std::make_shared<TBitmap>();
      CopyImage(*preview, *copy);
    }
    QMetaObject::invokeMethod(
        this, [this, row, result, copy] { RowFinished(row, result, copy.get()); }, Qt::QueuedConnection);
  };
  events.AskFileExists = [this](const std::string& destination) { return AskFromRun(destination); };
  {
    std::lock_guard<std::mutex> lock(m_runMutex);
    m_run = std::make_unique<TConversionRun>(PlanRun(settings, m_rows), std::move(options), std::move(events));
  }
  m_runThread = std::thread([this] {
    m_run->Run();
    QMetaObject::invokeMethod(this, [this] { RunFinished(); }, Qt::QueuedConnection);
  });
}

FileExistsAnswer TfrmMainWin::AskFromRun(const std::string& destination) {
  // Asked on the window's thread; the run waits for the answer, unless the
  // window goes away meanwhile.
  auto answer = std::make_shared<std::promise<FileExistsAnswer>>();
  std::future<FileExistsAnswer> future = answer->get_future();
  QMetaObject::invokeMethod(
      this, [this, answer, destination] { answer->set_value(m_askFileExists(destination)); }, Qt::QueuedConnection);
  while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
    if (m_closing) return FileExistsAnswer::CancelRun;
  return future.get();
}

void TfrmMainWin::RowStarted(int row, const std::string& destination) {
  QTreeWidgetItem* item = lstFiles->topLevelItem(row);
  if (item) lstFiles->scrollToItem(item);
  lblFileToName->SetFullText(Shown(destination));
  oProgressBar->setValue(row);
}

void TfrmMainWin::RowFinished(int row, const TRowResult& result, const TBitmap* preview) {
  m_album->SetRowResult(row, result);
  QTreeWidgetItem* item = lstFiles->topLevelItem(row);
  if (!item) return;
  if (result.Written()) item->setCheckState(0, Qt::Checked);
  item->setText(2, QString::fromStdString(StatusText(result)));
  item->setToolTip(2, item->text(2));
  oProgressBar->setValue(row + 1);
  if (preview) {
    TPixImage& image = ImageComponent();
    CopyImage(*preview, *image.CurrentBitmap());
    if (TPixMask* alpha = image.AlphaPlane()) {
      alpha->Allocate(preview->Width(), preview->Height(), 8);
      alpha->Fill(255);
    }
    image.IO().NotifyImageChanged();
  }
  if (m_autoStart && (result.State == TRowState::Failed || result.Damaged()))
    PrintError(Shown(result.Source) + QStringLiteral(": ") + QString::fromStdString(StatusText(result)));
}

void TfrmMainWin::RunFinished() {
  if (m_runThread.joinable()) m_runThread.join();
  TRunSummary summary;
  {
    std::lock_guard<std::mutex> lock(m_runMutex);
    summary = m_run->Summary();
    m_run.reset();
  }
  m_stopRequested = m_stopRequested || summary.Stopped;
  SetBusy(false);
  // A stopped run does not pretend to have finished.
  if (!summary.Stopped) oProgressBar->setValue(oProgressBar->maximum());
  Report(QString::fromStdString(SummaryText(summary)), ExitStatusOf(summary));
}

void TfrmMainWin::Report(const QString& text, int exitStatus) {
  lblFileToName->SetFullText(text);
  m_exitStatus = exitStatus;
  if (m_autoStart) PrintError(text);
  if (m_autoStart || m_closeAfterRun) {
    m_closeAfterRun = false;
    close();
  }
}

void TfrmMainWin::SetBusy(bool busy) {
  m_busy = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
  UpdateControls();
}

}  // namespace pix
