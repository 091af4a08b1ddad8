#pragma once
// The main window: every conversion option, the file list and progress of a
// run, and the buttons that start and stop it.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/logic/conversion_settings.h"
#include "app/logic/file_exists_policy.h"
#include "app/logic/source_scan.h"

class QAction;
class QCheckBox;
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

class TPixImage;
class TPixImageWidget;

// Converts one listed file; true when the destination file was written.
using TConvertOne = std::function<bool(const std::string& source, const std::string& destination)>;
// Asks what to do with a destination that exists; answers 1..7.
using TAskFileExists = TExistingFilePolicy::TAskFileExists;

class TfrmMainWin : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMainWin(QWidget* parent = nullptr);

  // The command-line arguments after the program name; read on every show.
  void SetArguments(const QStringList& args) { m_arguments = args; }
  // The per-image conversion the run calls; by default ConvertOne on the
  // preview's image component with the options the controls show at the call.
  void SetConvertOne(TConvertOne convertOne) { m_convertOne = std::move(convertOne); }
  // Replaces the "File exists" dialog (tests script the answers through it).
  void SetAskFileExists(TAskFileExists ask) { m_askFileExists = std::move(ask); }

  // The preview and image control of the window.
  QWidget* Preview() const;
  // The image component of the preview, through which every file is converted.
  TPixImage& ImageComponent() const;

  bool AutoStart() const { return m_autoStart; }
  bool Overwrite() const { return m_overwrite; }
  bool StopRequested() const { return m_stopRequested; }
  bool Busy() const { return m_busy; }

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
  void btnStopConvertingClick();
  void oStartTimerTimer();
  void UsingPixfold1Click();
  void About1Click();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildControls();
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

  void FillFileList();
  bool ConvertRow(int row, TExistingFilePolicy& policy);
  bool ConvertGuarded(const std::string& source, const std::string& destination);
  bool ConvertReplacing(const std::string& source, const std::string& destination);
  void SetBusy(bool busy);

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

  QPushButton* btnStartConvert = nullptr;
  QPushButton* btnStopConverting = nullptr;

  QGroupBox* GroupBox3 = nullptr;
  QLabel* lblFileToName = nullptr;
  QProgressBar* oProgressBar = nullptr;
  QTreeWidget* lstFiles = nullptr;
  TPixImageWidget* imgConvert = nullptr;

  QAction* UsingPixfold1 = nullptr;
  QAction* About1 = nullptr;
  QTimer* oStartTimer = nullptr;

  QStringList m_arguments;
  std::string m_settingsPath;
  TConvertOne m_convertOne;
  TAskFileExists m_askFileExists;
  std::vector<TScanRow> m_rows;  // the list's rows with their names as the file system has them
  bool m_autoStart = false;
  bool m_overwrite = false;
  bool m_stopRequested = false;
  bool m_busy = false;
  bool m_closeAfterRun = false;
};

}  // namespace pix
