#pragma once
// The main window: every conversion option, the file list and progress of a
// run, and the buttons that start and stop it.
#include <QMainWindow>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/conversion_run.h"
#include "app/logic/conversion_settings.h"
#include "app/logic/file_exists_policy.h"
#include "app/logic/source_scan.h"

class QAction;
class QCheckBox;
class QScrollArea;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace pix {

class TAlbumPanel;
class TPixImage;
class TPixImageWidget;
class TElidedLabel;
class TfrmHelp;

// Converts one listed file (ConvertOne unless a test supplies another); called
// on the run's worker threads.
using TConvertOne = TConversionRun::TConvertFunction;
// Asks what to do with a destination that exists; answers 1..7.
using TAskFileExists = TExistingFilePolicy::TAskFileExists;

class TfrmMainWin : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMainWin(QWidget* parent = nullptr);
  // A run still going is stopped and waited for.
  ~TfrmMainWin() override;

  // The command-line arguments after the program name; read on every show.
  void SetArguments(const QStringList& args);
  // The same as the bytes the program was given (a folder name need not be
  // valid UTF-8).
  void SetRawArguments(std::vector<std::string> args) { m_arguments = std::move(args); }
  // The per-image conversion the run's workers call (tests supply their own).
  void SetConvertOne(TConvertOne convertOne) { m_convertOne = std::move(convertOne); }
  // Replaces the "File exists" dialog (tests script the answers through it);
  // called on the window's thread.
  void SetAskFileExists(TAskFileExists ask) { m_askFileExists = std::move(ask); }

  // The preview and image control of the window.
  QWidget* Preview() const;
  // The image component of the preview: it shows each converted picture.
  TPixImage& ImageComponent() const;

  bool AutoStart() const { return m_autoStart; }
  bool Overwrite() const { return m_overwrite; }
  bool StopRequested() const { return m_stopRequested; }
  bool Busy() const { return m_busy; }
  // The exit status of the program when the window closes: 0 after a run in
  // which every row converted, 1 when a row failed, came from a damaged
  // source or was never reached, 2 when a run was refused or never started.
  int ExitStatus() const { return m_exitStatus; }

  // The options as the controls show them now.
  ConversionSettings CurrentSettings() const;
  // The size limits as the spin edits show them; text that is not an integer counts as 1.
  int MaxWidthValue() const;
  int MaxHeightValue() const;

  void cbxImageSizeChange();
  void rbNoRotationClick();
  void sleSourcePathChange();
  void btnSelSourcePathClick(QPushButton* sender);
  void btnStartConvertClick();
  // May be called from any thread (the run's workers included).
  void btnStopConvertingClick();
  void oStartTimerTimer();
  void UsingPixfold1Click();
  void About1Click();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildControls();
  // The window starts at its designed size, but never larger than the screen
  // it opens on (high scaling factors make that small).
  void FitToScreen();
  void SetTabOrder();
  void oJPGDetailChange();
  QGroupBox* BuildPathGroup();
  QGroupBox* BuildConversionGroup();
  QGroupBox* BuildStatusGroup();
  QWidget* BuildButtons();
  void BuildMenu();
  void ConnectHandlers();

  void FormShow();
  void FormClose();
  void ApplySettings(const ConversionSettings& settings);
  // Enabled and visible state of every control, derived from the window state.
  void UpdateControls();

  // The folder texts as paths: the bytes the settings file gave while the
  // text is unchanged (names need not be valid UTF-8 here), else the text.
  std::string SourceFolder() const;
  std::string DestinationFolder() const;
  void ShowFolder(QLineEdit* edit, const std::string& bytes);
  std::string FolderOf(const QLineEdit* edit) const;

  // Refuses a run that must not start, saying why; false when refused.
  bool MayStart();
  void FillFileList();
  void StartRun();
  void RowStarted(int row, const std::string& destination);
  void RowFinished(int row, const TRowResult& result, const TBitmap* preview);
  FileExistsAnswer AskFromRun(const std::string& destination);
  void RunFinished();
  // The end of a run or a refusal: the status text and the exit status; for
  // an unattended run also standard error and the window's close.
  void Report(const QString& text, int exitStatus);
  void SetBusy(bool busy);
  void StopRunThread();

  QGroupBox* grpPath = nullptr;
  QLineEdit* sleSourcePath = nullptr;
  QLineEdit* sleDestinationPath = nullptr;
  QPushButton* btnSelSourcePath = nullptr;
  QPushButton* btnSelDestinationPatn = nullptr;
  QCheckBox* cbScanRecursive = nullptr;
  QRadioButton* rbSaveAsJpg = nullptr;
  QRadioButton* rbSaveAsOriginal = nullptr;
  QCheckBox* cbConvertJPG = nullptr;
  QCheckBox* cbConvertGIF = nullptr;
  QCheckBox* cbConvertBMP = nullptr;
  QCheckBox* cbConvertPNG = nullptr;
  QCheckBox* cbConvertTIFF = nullptr;
  QCheckBox* cbConvertHEIF = nullptr;
  QCheckBox* cbConvertOther = nullptr;

  QGroupBox* grpConversion = nullptr;
  QComboBox* cbxImageSize = nullptr;
  QSpinBox* spnMaxWidth = nullptr;
  QSpinBox* spnMaxHeight = nullptr;
  QCheckBox* cbBlackWhite = nullptr;
  QRadioButton* rbNoRotation = nullptr;
  QRadioButton* rb90Left = nullptr;
  QRadioButton* rb90Rigth = nullptr;
  QCheckBox* cbLandscapeOnly = nullptr;
  QLabel* lblLandscapeOnly = nullptr;
  QSlider* oJPGDetail = nullptr;
  QLabel* lblJPGQualityValue = nullptr;
  QCheckBox* cbAutoOrient = nullptr;
  QComboBox* cbxMetadata = nullptr;
  QScrollArea* oOptions = nullptr;

  QPushButton* btnStartConvert = nullptr;
  QPushButton* btnStopConverting = nullptr;

  QGroupBox* GroupBox3 = nullptr;
  TElidedLabel* lblFileToName = nullptr;
  QProgressBar* oProgressBar = nullptr;
  QTreeWidget* lstFiles = nullptr;
  TPixImageWidget* imgConvert = nullptr;
  TAlbumPanel* m_album = nullptr;  // the list's tab, the thumbnails beside it, the album commands

  QAction* UsingPixfold1 = nullptr;
  QAction* About1 = nullptr;
  QTimer* oStartTimer = nullptr;
  TfrmHelp* m_help = nullptr;  // open beside the window, not in front of it

  std::vector<std::string> m_arguments;
  std::string m_settingsPath;
  TConvertOne m_convertOne;
  TAskFileExists m_askFileExists;
  std::vector<TScanRow> m_rows;  // the list's rows with their names as the file system has them
  struct TFolderText {
    QString Shown;      // the text the edit was given
    std::string Bytes;  // the path it stands for
  } m_sourceText, m_destinationText;
  bool m_autoStart = false;
  bool m_overwrite = false;
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_closing{false};
  bool m_busy = false;
  bool m_closeAfterRun = false;
  int m_exitStatus = 0;
  ConversionSettings m_loaded;  // as the settings file gave them: keys without a control
  std::mutex m_runMutex;  // guards m_run against a stop from another thread
  std::unique_ptr<TConversionRun> m_run;
  std::thread m_runThread;
};

}  // namespace pix
