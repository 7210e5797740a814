// TFormMain: the main window. A borderless, skinned, fixed window with eight wizard pages, the
// five bottom buttons, minimise and close. The window's construction and navigation live in
// src/wizard; the handlers of the pages' own work are defined in the folder of their subsystem
// (the input list in src/wizard, output selection and conversion run in src/convert, the video
// links and download queue in src/download) and are declared here in their sections.
#pragma once

#include <QFont>
#include <QImage>
#include <QMetaObject>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/job_builder.h"
#include "media/components/ff_encode.h"
#include "media/runtime/ff_log.h"
#include "shell/form_log.h"
#include "shell/platform_services.h"
#include "ui/skin_form.h"
#include "wizard/input_row.h"
#include "wizard/page_captions.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tallowin {

namespace ui {
class TImage;
class TImageComboBox;
class TLinkLabel;
class TPageControl;
class TPictureButton;
class TReportList;
class TSlideGrid;
class TTabSheet;
}  // namespace ui

class TFormMain : public ui::TSkinForm {
  Q_OBJECT

 public:
  // The size of the title line's font; long titles shrink by up to two points.
  static constexpr int kTitlePointSize = 11;
  // Step2: the left and right margin that labels, class buttons and format buttons share, and
  // the format buttons' largest cell width and the gap between cells.
  // The input list's name line is shortened to this many pixels of FileNameFont(): the room a
  // tile gives its texts.
  static constexpr int kFileNameWidth = 370;
  QFont FileNameFont() const;
  static constexpr int kStep2Margin = 18;
  // Where the product name starts in the top logo, right of the mark.
  static constexpr int kTopLogoNameLeft = 44;
  // The top logo picture with `name` written beside the mark.
  static QPixmap TopLogoWithName(const QPixmap& mark, const QString& name);
  static constexpr int kFormatCellWidth = 62;
  static constexpr int kFormatCellGap = 3;

  // `program_dir` is the folder that holds "lamecore.dll" and "sounds/" (with a trailing "/");
  // the program passes its own folder. Construction runs FormCreate.
  explicit TFormMain(const std::string& program_dir, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Empty when FormCreate ran through; otherwise the text of the failure that stopped it (a
  // missing skin picture, a malformed number in the configuration). It has been shown already.
  const std::string& CreateError() const { return create_error_; }

  // ---- Navigation ----
  void UpdatePageCaptions();
  void ResetWizard();
  void ActionNextExecute();
  void ActionBackExecute();
  void ActionExitExecute();
  TWizardPage ActivePage() const;
  void ActivatePage(TWizardPage page);
  ui::TTabSheet* PageSheet(TWizardPage page) const;

  // ---- Custom window messages ----
  void PostWindowMessage(int message);
  // Delivers WM_APP_CONVERT_DONE and returns after it has been handled; any thread may call it.
  void SendConvertDone();

  // ---- Help menu and the other windows ----
  // Where the help menu opens, in screen coordinates.
  QPoint HelpMenuPosition() const;
  void ActionHelpExecute();
  void ActionLogExecute();
  void ActionAboutExecute();

  // ---- State owned by the window ----
  // The encoder: loads the media libraries at start-up, probes files with its decoder and runs
  // the conversion tasks.
  media::TFFEncoder FFEncoder;
  bool NoTextOnClipboard() const { return no_text_on_clipboard_; }
  bool IsClipboardWatched() const;
  const std::string& ProgramDir() const { return program_dir_; }
  // The format buttons and preset lists by class (0 video, 1 device, 2 audio) and format index.
  ui::TPictureButton* FormatButton(int format_class, int index) const;
  ui::TImageComboBox* PresetList(int format_class, int index) const;
  ui::TPictureButton* ClassButton(int format_class) const;
  ui::TTabSheet* FormatPage(int format_class) const;

  // ---- Start-up (FormCreate) ----
  void FormCreate();
  void ApplyProductConfiguration();
  // Loads the FFmpeg libraries from ProgramDir() + "lib" through the encoder; false (with the
  // reason in the log) when they cannot be loaded.
  bool LoadMediaLibraries();

  // ---- Wiring of each subsystem's control events, run once by the constructor after the
  // controls exist and before FormCreate. Each is defined with its subsystem. ----
  void WireInputList();
  void WireOutputSelection();
  void WireConversionRun();
  void WireDownloads();

  // ---- Input list (the list's own work) ----
  // Opens each file, reads its facts and a thumbnail and appends one row per file that opened;
  // the others are logged and listed in the failed-files dialog.
  void AddInputFiles(const std::vector<std::string>& file_names);
  void ClearInputList();
  // Files dropped from the desktop, in the order given: folders, paths longer than
  // kMaxDroppedPathLength bytes and unsupported extensions are left out.
  void FormDropFiles(const std::vector<std::string>& paths);
  // Files named on the program's command line: Step1 with them added as a drop adds them.
  void OpenCommandLineFiles(const std::vector<std::string>& paths);
  static constexpr size_t kMaxDroppedPathLength = 255;
  void ActionAddExecute();
  void ActionDeleteExecute();
  void ActionClearExecute();
  void ActionMoveUpExecute();
  void ActionMoveDownExecute();
  void ActionPlayExecute();
  void ActionCropTrimExecute();
  void NextGridDblClick();
  void NextGridAfterRowMove();
  // Enables the list's actions for the current selection and row count.
  void ActionListUpdate();
  // The open-file dialog's settings; they persist between uses (the remembered file name).
  OpenFileDialogOptions OpenDialog;
  // One picture per file added since start-up, in the order added; deleting rows keeps them.
  const std::vector<QImage>& Thumbnails() const { return thumbnails_; }

  // ---- Output selection and conversion run (src/convert) ----
  void FillPresetLists();
  void LoadOutputSelection();
  void SaveOutputSelection();
  // The class button of class 0, 1 or 2 and the format button of a format of a class; any
  // other class or format does nothing.
  void ButtonToFormatClick(int format_class);
  void ButtonFormatClick(int format_class, int format);
  void ButtonToFormatVideoClick();
  void ButtonToFormatDeviceClick();
  void ButtonToFormatAudioClick();
  void ButtonFormatAVIClick();
  void ButtonFormatMP4Click();
  void ButtonFormatFLVClick();
  void ButtonFormatSWFClick();
  void ButtonFormatMPEGClick();
  void ButtonFormatRMClick();
  void ButtonFormatWMVClick();
  void ButtonFormatMOVClick();
  void ButtonFormat3GPClick();
  void ButtonFormatiPodClick();
  void ButtonFormatiPhoneClick();
  void ButtonFormatAppleTVClick();
  void ButtonFormatPSPClick();
  void ButtonFormatBlackBerryClick();
  void ButtonFormatMobilePhoneClick();
  void ButtonFormatiPadClick();
  void ButtonFormatAndroidClick();
  void ButtonFormatWAVClick();
  void ButtonFormatMP3Click();
  void ButtonFormatWMAClick();
  void ButtonFormatOGGClick();
  void ButtonFormatAACClick();
  void ButtonFormatM4AClick();
  void ButtonFormatFLACClick();
  void ButtonFormatMP2Click();
  void ButtonSelectDirClick();
  void StartConversionRun();
  void FinishConversionRun();
  void ShowConversionSummary();
  void StopEncoder(bool wait);

  // ---- Conversion run (src/convert/form_main_run.cpp) ----
  // The encoder's events: progress on the main thread, each job's end and the run's end on the
  // encoder's notice thread (control changes are carried out on the main thread).
  void FFEncoderProgress(media::TCustomEncoder& sender, media::PProgressInfo info);
  void FFEncoderTerminate(media::TCustomEncoder& sender, const media::TTerminateInfo& info);
  // The media libraries' log lines, into the message log.
  void FFLoggerLog(const void* sender, media::ThreadId thread_id, media::TLogLevel level,
                   const std::string& text);
  void CheckBoxPreviewClick();
  void CheckBoxPlayASoundClick();
  void CheckBoxShutdownClick();
  void LabelOpenFolderClick();
  // Jobs of the current run that have ended, whatever the outcome.
  int TerminatedJobs() const { return terminated_jobs_; }
  // Whether the current (or last) run joins every input into one output.
  bool MergeRun() const { return merge_run_; }
  // The clock of the run's times, in days; tests replace it.
  std::function<double()> RunClock;
  // The media libraries' logger (at most one exists in the process; null if another one did).
  std::unique_ptr<media::TFFLogger> FFLogger;

  // ---- Conversion jobs (src/convert/form_main_jobs.cpp) ----
  // The output extension of the current selection ("" outside the format tables).
  std::string OutputExtension() const;
  // One task per input row; rows of ListViewConverting for the accepted ones.
  void BuildFileJobs();
  // Probes one input with the encoder's decoder and adds its task and row (a task whose output is
  // refused is removed again, so task k is always row k); the file is closed again.
  void AddFileJob(const std::string& path);
  media::TInputOptions FileInputOptions(media::TCustomDecoder& decoder) const;
  // The output record of the current selection for the input `decoder` has loaded.
  media::TOutputOptions PresetOutputOptions(media::TCustomDecoder& decoder) const;
  // One task with every input joined into one output.
  void BuildMergeJob();
  void DetachEncoderEvents();

  // ---- Video links and download queue (src/download) ----
  void SetupLinkPage();
  void ReadBackLinkPage();
  // Step5's links (src/download/form_main_links.cpp): the page's actions, the list's double
  // click and drops, and the enable rules.
  void WireLinkPage();
  // Adds one link or explains in a message box why not; GoOn becomes false when the user chose
  // Cancel there.
  void AddVideoLink(const std::string& text, bool& GoOn);
  void ActionURLPasteExecute();
  void ActionURLRemoveExecute();
  void ActionURLEmptyExecute();
  void ActionURLSelectExecute();
  void ListViewInputURLDblClick();
  void ActionListURLUpdate();
  // Step5's quality controls (src/download/form_main_quality.cpp).
  void CheckBoxYouTubeQualityClick();
  void ButtonYouTubeQualityConfigClick();
  void StartDownloadQueue();
  void DownloadNext();
  void DownloadError();
  void ShowDownloadSummary();
  void AbortDownloads();
  // The download queue with its three transfer components (WinHTTPGetInfoFileURL,
  // WinHTTPDownloadInfoFile, WinHTTPDownload) and the window's view of it; the handlers below
  // delegate to the queue (src/download/form_main_downloads.cpp).
  class TDownloads;
  TDownloads& Downloads() const;
  // The arguments of one event of a transfer component: its progress figures or its body.
  struct TWinHTTPEventArgs;
  void WinHTTPGetInfoFileURLProgress(const TWinHTTPEventArgs& args);
  void WinHTTPGetInfoFileURLDone(const TWinHTTPEventArgs& args);
  void WinHTTPGetInfoFileURLAnyError();
  void WinHTTPGetInfoFileURLAborted();
  void WinHTTPDownloadInfoFileDone(const TWinHTTPEventArgs& args);
  void WinHTTPDownloadInfoFileAnyError();
  void WinHTTPDownloadInfoFileAborted();
  void WinHTTPDownloadProgress(const TWinHTTPEventArgs& args);
  void WinHTTPDownloadDone();
  void WinHTTPDownloadAnyError();
  void WinHTTPDownloadAborted();
  // What changes in the current row of the download list and in the Step6 figures.
  struct TDownloadRowUpdate;
  void UpdateDownloadRow(const TDownloadRowUpdate& update);
  void LabelURLOpenFolderClick();
  void ButtonConvertDownloadedClick();

  // ---- Controls (named as in the design) ----
  ui::TImage* ImageTopLogo = nullptr;
  ui::TImage* ImageLeftLogo = nullptr;
  QLabel* LabelTitle = nullptr;
  QLabel* LabelVersion = nullptr;
  ui::TLinkLabel* LabelMoreTools = nullptr;
  ui::TPictureButton* ButtonMin = nullptr;
  ui::TPictureButton* ButtonClose = nullptr;
  ui::TPictureButton* ButtonHelp = nullptr;
  ui::TPictureButton* ButtonLog = nullptr;
  ui::TPictureButton* ButtonBack = nullptr;
  ui::TPictureButton* ButtonNext = nullptr;
  ui::TPictureButton* ButtonExit = nullptr;
  ui::TPageControl* PageControlMain = nullptr;
  ui::TTabSheet* TabSheetMode = nullptr;
  ui::TTabSheet* TabSheetStep1 = nullptr;
  ui::TTabSheet* TabSheetStep2 = nullptr;
  ui::TTabSheet* TabSheetStep3 = nullptr;
  ui::TTabSheet* TabSheetStep4 = nullptr;
  ui::TTabSheet* TabSheetStep5 = nullptr;
  ui::TTabSheet* TabSheetStep6 = nullptr;
  ui::TTabSheet* TabSheetStep7 = nullptr;

  QAction* ActionHelp = nullptr;
  QAction* ActionLog = nullptr;
  QAction* ActionBack = nullptr;
  QAction* ActionNext = nullptr;
  QAction* ActionExit = nullptr;
  QMenu* PopupMenuHelp = nullptr;
  // The menu of the borderless window (a right click on the top logo).
  QMenu* PopupMenuWindow = nullptr;
  QAction* ActionHelpContent = nullptr;
  QAction* ActionHowTosTutorialVideos = nullptr;
  QAction* ActionHomePage = nullptr;
  QAction* ActionMoreFreeTools = nullptr;
  QAction* ActionCheckforUpdates = nullptr;
  QAction* ActionContactTechnicalSupport = nullptr;
  QAction* ActionAbout = nullptr;

  // Mode page.
  QRadioButton* RadioButtonDownloadVideo = nullptr;
  QRadioButton* RadioButtonConvertVideo = nullptr;
  ui::TImage* ImageDownloadVideo = nullptr;
  ui::TImage* ImageConvertVideo = nullptr;

  // Step1: the input list.
  ui::TSlideGrid* NextGrid = nullptr;
  ui::TImage* ImageAudioIcon = nullptr;
  QMenu* PopupMenuNextGrid = nullptr;
  QAction* ActionAdd = nullptr;
  QAction* ActionDelete = nullptr;
  QAction* ActionClear = nullptr;
  QAction* ActionMoveUp = nullptr;
  QAction* ActionMoveDown = nullptr;
  QAction* ActionPlay = nullptr;
  QAction* ActionCropTrim = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonDelete = nullptr;
  QPushButton* ButtonClear = nullptr;
  QPushButton* ButtonMoveUp = nullptr;
  QPushButton* ButtonMoveDown = nullptr;
  QPushButton* ButtonPlay = nullptr;

  // Step2: output selection.
  QLabel* LabelOutputDir = nullptr;
  QLineEdit* EditOutputDir = nullptr;
  QPushButton* ButtonSelectDir = nullptr;
  QLabel* LabelConvertTo = nullptr;
  ui::TPictureButton* ButtonToFormatVideo = nullptr;
  ui::TPictureButton* ButtonToFormatDevice = nullptr;
  ui::TPictureButton* ButtonToFormatAudio = nullptr;
  ui::TPageControl* RzPageControlToFormat = nullptr;
  ui::TTabSheet* TabSheetToFormatVideo = nullptr;
  ui::TTabSheet* TabSheetToFormatDevice = nullptr;
  ui::TTabSheet* TabSheetToFormatAudio = nullptr;
  QLabel* LabelPresetsVideo = nullptr;
  QLabel* LabelPresetsDevice = nullptr;
  QLabel* LabelPresetsAudio = nullptr;
  ui::TPictureButton *ButtonFormatAVI = nullptr, *ButtonFormatMP4 = nullptr,
                     *ButtonFormatFLV = nullptr, *ButtonFormatSWF = nullptr,
                     *ButtonFormatMPEG = nullptr, *ButtonFormatRM = nullptr,
                     *ButtonFormatWMV = nullptr, *ButtonFormatMOV = nullptr,
                     *ButtonFormat3GP = nullptr;
  ui::TPictureButton *ButtonFormatiPod = nullptr, *ButtonFormatiPhone = nullptr,
                     *ButtonFormatAppleTV = nullptr, *ButtonFormatPSP = nullptr,
                     *ButtonFormatBlackBerry = nullptr, *ButtonFormatMobilePhone = nullptr,
                     *ButtonFormatiPad = nullptr, *ButtonFormatAndroid = nullptr;
  ui::TPictureButton *ButtonFormatWAV = nullptr, *ButtonFormatMP3 = nullptr,
                     *ButtonFormatWMA = nullptr, *ButtonFormatOGG = nullptr,
                     *ButtonFormatAAC = nullptr, *ButtonFormatM4A = nullptr,
                     *ButtonFormatFLAC = nullptr, *ButtonFormatMP2 = nullptr;
  ui::TImageComboBox *ImageComboBoxAVIPresets = nullptr, *ImageComboBoxMP4Presets = nullptr,
                     *ImageComboBoxFLVPresets = nullptr, *ImageComboBoxSWFPresets = nullptr,
                     *ImageComboBoxMPEGPresets = nullptr, *ImageComboBoxRMPresets = nullptr,
                     *ImageComboBoxWMVPresets = nullptr, *ImageComboBoxMOVPresets = nullptr,
                     *ImageComboBox3GPPresets = nullptr;
  ui::TImageComboBox *ImageComboBoxiPodPresets = nullptr, *ImageComboBoxiPhonePresets = nullptr,
                     *ImageComboBoxAppleTVPresets = nullptr, *ImageComboBoxPSPPresets = nullptr,
                     *ImageComboBoxBlackBerryPresets = nullptr,
                     *ImageComboBoxMobilePhonePresets = nullptr,
                     *ImageComboBoxiPadPresets = nullptr, *ImageComboBoxAndroidPresets = nullptr;
  ui::TImageComboBox *ImageComboBoxWAVPresets = nullptr, *ImageComboBoxMP3Presets = nullptr,
                     *ImageComboBoxWMAPresets = nullptr, *ImageComboBoxOGGPresets = nullptr,
                     *ImageComboBoxAACPresets = nullptr, *ImageComboBoxM4APresets = nullptr,
                     *ImageComboBoxFLACPresets = nullptr, *ImageComboBoxMP2Presets = nullptr;

  // Step3: conversion progress.
  ui::TReportList* ListViewConverting = nullptr;
  QGroupBox* GroupBoxStatus = nullptr;
  QLabel* LabelCurrentFileTitle = nullptr;
  QLabel* LabelCurrentFile = nullptr;
  QLabel* LabelEstimated = nullptr;
  QLabel* LabelElapsed = nullptr;
  QLabel* LabelTimeLeft = nullptr;
  QLabel* LabelProgress = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QGroupBox* GroupBoxPostProgress = nullptr;
  QCheckBox* CheckBoxPlayASound = nullptr;
  QCheckBox* CheckBoxShutdown = nullptr;
  QCheckBox* CheckBoxPreview = nullptr;

  // Step4: conversion summary.
  QLabel* LabelFinishTitle1 = nullptr;
  QLabel* LabelFinishTitle2 = nullptr;
  QLabel* LabelFinishTotalFiles = nullptr;
  QLabel* LabelFinishSuccessed = nullptr;
  QLabel* LabelFinishFailed = nullptr;
  QPlainTextEdit* MemoErrorLog = nullptr;
  ui::TLinkLabel* LabelOpenFolder = nullptr;

  // Step5: video links, download folder, quality.
  QGroupBox* GroupBoxInputURL = nullptr;
  ui::TReportList* ListViewInputURL = nullptr;
  QMenu* PopupMenuListViewURL = nullptr;
  QAction* MenuPaste = nullptr;
  QAction* MenuDelete = nullptr;
  QAction* ActionURLPaste = nullptr;
  QAction* ActionURLRemove = nullptr;
  QAction* ActionURLEmpty = nullptr;
  QAction* ActionURLSelect = nullptr;
  QPushButton* ButtonURLPaste = nullptr;
  QPushButton* ButtonURLRemove = nullptr;
  QPushButton* ButtonURLEmpty = nullptr;
  QGroupBox* GroupBoxSetup = nullptr;
  QLabel* LabelURLOutputDir = nullptr;
  QLineEdit* EditURLOutput = nullptr;
  QPushButton* ButtonURLSelect = nullptr;
  QGroupBox* GroupBoxYouTubeQuality = nullptr;
  QCheckBox* CheckBoxYouTubeQuality = nullptr;
  QPushButton* ButtonYouTubeQualityConfig = nullptr;
  QLabel* LabelYouTubeQuality = nullptr;

  // Step6: download progress.
  ui::TReportList* ListViewURLDownload = nullptr;
  QGroupBox* GroupBoxURLStatus = nullptr;
  QLabel* LabelURLCurrentFile = nullptr;
  QLabel* LabelURLStatus = nullptr;
  QLabel* LabelSpeed = nullptr;
  QLabel* LabelURLElapsedTime = nullptr;
  QLabel* LabelURLTimeLeft = nullptr;
  QLabel* LabelQuality = nullptr;
  QProgressBar* ProgressBarDownload = nullptr;
  QLabel* LabelProgressBarDownload = nullptr;

  // Step7: download summary.
  QLabel* LabelFinishedDownloading1 = nullptr;
  QLabel* LabelFinishedDownloading2 = nullptr;
  QLabel* LabelURLTotalFiles = nullptr;
  QLabel* LabelURLSucedded = nullptr;
  QLabel* LabelURLFailed = nullptr;
  ui::TLinkLabel* LabelURLOpenFolder = nullptr;
  QPushButton* ButtonConvertDownloaded = nullptr;

 signals:
  // The window has closed (after its settings were saved); the program ends.
  void Closed();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Construction of the controls, one routine per area.
  void BuildFrame();
  void BuildActions();
  void BuildModePage();
  void BuildStep1Page();
  void BuildStep2Page();
  void BuildFormatPage(int format_class);
  void BuildStep3Page();
  void BuildStep4Page();
  void BuildStep5Page();
  void BuildStep6Page();
  void BuildStep7Page();

  // Start-up pieces.
  void NameControls();
  void BuildWindowMenu();
  void ArrangeTabOrder();
  void LoadSkinPictures();
  void ApplySkinLayout();
  void PackFormatButtons();
  void StartClipboardWatch();
  void StopClipboardWatch();
  void ClipboardChanged();

  // Closing.
  void FormCloseQuery();
  void FormClose();

  void FitTitle();
  void OpenLink(const std::string& link);
  void StartWindowMove();

  std::string program_dir_;
  std::string create_error_;
  bool closing_done_ = false;
  // Set once the user's settings were read: only then does closing write them back, so a start-up
  // that failed earlier never replaces the user's settings with defaults.
  bool settings_loaded_ = false;
  bool no_text_on_clipboard_ = true;
  // The conversion run: ended jobs (counted on the encoder's notice thread), each job's input
  // duration as counted into the run's total, and the lock that keeps the computer awake.
  std::atomic<int> terminated_jobs_{0};
  bool merge_run_ = false;
  std::vector<int64_t> job_durations_;
  std::unique_ptr<SleepLock> sleep_lock_;
  int help_menu_offset_ = 0;
  QMetaObject::Connection clipboard_watch_;
  std::array<std::vector<ui::TPictureButton*>, 3> format_buttons_;
  std::array<std::vector<ui::TImageComboBox*>, 3> preset_lists_;
  std::vector<QImage> thumbnails_;
  std::unique_ptr<TDownloads, void (*)(TDownloads*)> downloads_{nullptr, nullptr};
  // Builds the tasks of a run (and names their output files).
  convert::TJobBuilder job_builder_{FFEncoder, [](const std::string& line) { LogLine(line); }};
};

}  // namespace tallowin
