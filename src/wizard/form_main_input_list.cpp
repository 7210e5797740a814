// The input list on Step1: adding files through the open dialog or by dropping them on the
// window, each probed once with the encoder's decoder for its facts and a thumbnail; deleting,
// clearing, reordering and playing rows; and the enable rules of the list's actions.
#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <algorithm>
#include <exception>
#include <filesystem>

#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/util_funcs.h"
#include "ui/compact_path.h"
#include "ui/picture_label.h"
#include "ui/preview_window.h"
#include "ui/slide_grid.h"
#include "wizard/form_failed_add_file.h"
#include "wizard/form_main.h"

namespace tallowin {

QFont TFormMain::FileNameFont() const {
  // The tiles draw the name line in the grid's font, bold.
  QFont font = NextGrid->font();
  font.setBold(true);
  return font;
}

namespace {

constexpr char kOpenDialogFilter[] =
    "All Supported Formats|"
    "*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;"
    "*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;"
    "*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;"
    "|All Video Formats (all types)|"
    "*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;"
    "*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;"
    "|All Audio Formats (all types)|"
    "*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;"
    "*.RA;*.WV;*.TTA;*.AC3;*.DTS;"
    "|All Files|*.*";

// Thumbnails are kept at most this large (twice the tile's picture, for sharp scaling).
constexpr int kThumbnailWidth = 256;
constexpr int kThumbnailHeight = 176;

QImage Thumbnail(const media::TBitmap& bitmap) {
  const QImage image = ui::BitmapToImage(bitmap);
  if (image.width() <= kThumbnailWidth && image.height() <= kThumbnailHeight) return image;
  return image.scaled(kThumbnailWidth, kThumbnailHeight, Qt::KeepAspectRatio,
                      Qt::SmoothTransformation);
}

// Opens `name` with the decoder and reads the facts of the row and its thumbnail (the audio icon
// for a file without video; an empty picture when no picture could be decoded). False, with the
// decoder's error text, when the file cannot be opened. The file is closed again in every case.
bool ProbeInputFile(media::TFFDecoder& decoder, const std::string& name, const QImage& audio_icon,
                    TInputProbe& probe, QImage& thumbnail, std::string& error) {
  try {
    if (!decoder.LoadFile(name)) {
      error = decoder.LastErrMsg();
      return false;
    }
    media::TDecoderFileCloser close(decoder);
    const int video = decoder.FirstVideoStream();
    probe.audio_only = video < 0;
    if (probe.audio_only) {
      thumbnail = audio_icon;
    } else {
      media::TFileStreamInfo info;
      decoder.GetFileStreamInfo(info);
      // A file that cannot seek may be left at its end by the attempt: it is opened afresh and
      // gives its first picture instead.
      if (!decoder.Seek(0, info.Duration < 0 ? 0 : info.Duration / 2) && !decoder.LoadFile(name)) {
        error = decoder.LastErrMsg();
        return false;
      }
      media::TBitmap bitmap;
      if (decoder.Decode(video) && decoder.CopyToBitmap(bitmap)) thumbnail = Thumbnail(bitmap);
    }
    decoder.GetFileStreamInfo(probe.file);
    decoder.GetVideoStreamInfo(video, probe.video);
    decoder.GetAudioStreamInfo(decoder.FirstAudioStream(), probe.audio);
    probe.file_size = decoder.FileSize();
    return true;
  } catch (const std::exception& failure) {
    // The libraries are missing: the file counts as one that could not be opened.
    error = failure.what();
    return false;
  }
}

// Suspends the grid's repainting for a scope.
class GridUpdateGuard {
 public:
  explicit GridUpdateGuard(ui::TSlideGrid* grid) : grid_(grid) { grid_->BeginUpdate(); }
  ~GridUpdateGuard() { grid_->EndUpdate(); }
  GridUpdateGuard(const GridUpdateGuard&) = delete;
  GridUpdateGuard& operator=(const GridUpdateGuard&) = delete;

 private:
  ui::TSlideGrid* grid_;
};

}  // namespace

void TFormMain::WireInputList() {
  OpenDialog.filter = kOpenDialogFilter;
  OpenDialog.multi_select = true;

  connect(ActionAdd, &QAction::triggered, this, &TFormMain::ActionAddExecute);
  connect(ActionDelete, &QAction::triggered, this, &TFormMain::ActionDeleteExecute);
  connect(ActionClear, &QAction::triggered, this, &TFormMain::ActionClearExecute);
  connect(ActionMoveUp, &QAction::triggered, this, &TFormMain::ActionMoveUpExecute);
  connect(ActionMoveDown, &QAction::triggered, this, &TFormMain::ActionMoveDownExecute);
  connect(ActionPlay, &QAction::triggered, this, &TFormMain::ActionPlayExecute);
  connect(ActionCropTrim, &QAction::triggered, this, &TFormMain::ActionCropTrimExecute);
  connect(NextGrid, &QAbstractItemView::doubleClicked, this, &TFormMain::NextGridDblClick);
  connect(NextGrid, &ui::TSlideGrid::AfterRowMove, this, &TFormMain::NextGridAfterRowMove);

  // The enable rules follow every change of the rows and of the selection.
  QAbstractItemModel* model = NextGrid->model();
  connect(model, &QAbstractItemModel::rowsInserted, this, &TFormMain::ActionListUpdate);
  connect(model, &QAbstractItemModel::rowsRemoved, this, &TFormMain::ActionListUpdate);
  connect(model, &QAbstractItemModel::rowsMoved, this, &TFormMain::ActionListUpdate);
  connect(model, &QAbstractItemModel::modelReset, this, &TFormMain::ActionListUpdate);
  connect(model, &QAbstractItemModel::layoutChanged, this, &TFormMain::ActionListUpdate);
  connect(NextGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFormMain::ActionListUpdate);
  ActionListUpdate();
}

void TFormMain::AddInputFiles(const std::vector<std::string>& file_names) {
  if (file_names.empty()) return;
  // Lets the window repaint before the work starts; the user's input waits. The failure list is
  // emptied after that, so that an adding started meanwhile keeps none of its lines in ours.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  TGlobalVars& g = GlobalVars();
  g.AddFailures.clear();
  {
    GridUpdateGuard suspended(NextGrid);
    const QImage audio_icon = ImageAudioIcon->pixmap().toImage();
    media::TFFDecoder& decoder = FFEncoder.Decoder();
    for (const std::string& name : file_names) {
      TInputProbe probe;
      QImage thumbnail;
      std::string error;
      if (!ProbeInputFile(decoder, name, audio_icon, probe, thumbnail, error)) {
        LogLine("File load error: " + error);
        g.AddFailures.push_back(error);
        continue;
      }
      const int row = NextGrid->AddRow();
      thumbnails_.push_back(thumbnail);
      NextGrid->SetCellImage(row, NxGraphicColumnMainImage, thumbnails_.back());
      std::array<std::string, kNextGridColumnCount> cells = InputRowTexts(name, probe);
      cells[NxTextColumnFileMinName] = ui::CompactPath(QString::fromStdString(name),
                                                       QFontMetrics(FileNameFont()), kFileNameWidth)
                                           .toStdString();
      for (int column = NxTextColumnFileMinName; column < kNextGridColumnCount; ++column) {
        NextGrid->SetCell(row, column, QString::fromStdString(cells[column]));
      }
    }
  }
  if (!g.AddFailures.empty()) {
    const std::vector<std::string> failures = g.AddFailures;
    TFormFailedAddFile::ShowCentred(this, failures);
  }
}

void TFormMain::FormDropFiles(const std::vector<std::string>& paths) {
  BusyCursorGuard busy;
  std::vector<std::string> kept;
  for (const std::string& path : paths) {
    // A longer path would not reach the list whole, and a cut one names another file.
    if (path.size() > kMaxDroppedPathLength) continue;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) continue;
    if (!IsSupportedExtension(FileExtension(path))) continue;
    kept.push_back(path);
  }
  AddInputFiles(kept);
}

void TFormMain::OpenCommandLineFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || !FFEncoder.LibrariesLoaded()) return;
  ActivatePage(TWizardPage::Step1);
  UpdatePageCaptions();
  FormDropFiles(paths);
}

void TFormMain::ActionAddExecute() {
  TGlobalVars& g = GlobalVars();
  OpenDialog.initial_dir = g.LastOpenDir;
  std::vector<std::string> files;
  if (!Platform().OpenFileDialog(this, OpenDialog, files) || files.empty()) return;
  BusyCursorGuard busy;
  AddInputFiles(files);
  // One file stays preselected for the next time; a multiple choice does not.
  OpenDialog.file_name = files.size() > 1 ? std::string() : files.front();
  g.LastOpenDir =
      WithTrailingBackslash(std::filesystem::path(files.front()).parent_path().string());
}

void TFormMain::ActionDeleteExecute() {
  const int selected = NextGrid->SelectedRow();
  if (selected < 0) return;
  NextGrid->DeleteRow(selected);
  const int rows = NextGrid->RowCount();
  NextGrid->SelectRow(rows == 0 ? -1 : std::min(selected, rows - 1));
}

void TFormMain::ActionClearExecute() {
  ClearInputList();
}

void TFormMain::ActionMoveUpExecute() {
  const int selected = NextGrid->SelectedRow();
  if (selected > 0) NextGrid->MoveRow(selected, selected - 1);
}

void TFormMain::ActionMoveDownExecute() {
  const int selected = NextGrid->SelectedRow();
  if (selected >= 0 && selected < NextGrid->RowCount() - 1) {
    NextGrid->MoveRow(selected, selected + 1);
  }
}

void TFormMain::ActionPlayExecute() {
  const int selected = NextGrid->SelectedRow();
  if (selected < 0) return;
  Platform().OpenWithShell(NextGrid->Cell(selected, NxTextColumnFileFullName).toStdString());
}

void TFormMain::ActionCropTrimExecute() {}

void TFormMain::NextGridDblClick() {
  ActionPlayExecute();
}

void TFormMain::NextGridAfterRowMove() {
  NextGrid->viewport()->update();
}

void TFormMain::ActionListUpdate() {
  const int selected = NextGrid->SelectedRow();
  const int rows = NextGrid->RowCount();
  ActionDelete->setEnabled(selected >= 0);
  ActionClear->setEnabled(rows > 0);
  ActionPlay->setEnabled(selected >= 0);
  ActionMoveUp->setEnabled(selected > 0);
  ActionMoveDown->setEnabled(selected >= 0 && selected < rows - 1);
}

}  // namespace tallowin
