// Adding files to the input list: the probed texts and thumbnails of each row, files that fail,
// the failed-files dialog, the open dialog and files dropped on the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "media/media_fixtures.h"
#include "shell/global_vars.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/form_failed_add_file.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

constexpr char kFailedText[] =
    "Failed to add the following files. The converter might not support the file type or might "
    "not support the codec that was used to compress the file. Click \"More Information\" to "
    "view a list of supported file types and releavant codecs.";

// Dark pictures except between 1.5 s and 2.5 s: only a picture from the middle of the 4 s is
// bright. Matroska keeps no bit rate for the video stream.
fs::path MiddleBrightClip() {
  return GeneratedMedia("middle_bright.mkv",
                        {"-f", "lavfi", "-i",
                         "color=c=black:size=320x180:rate=25:duration=4,format=yuv420p,"
                         "geq=lum='if(between(T,1.5,2.5),220,30)':cb=128:cr=128",
                         "-c:v", "libx264", "-g", "10", "-pix_fmt", "yuv420p"});
}

std::string Cell(TFormMain& form, int row, int column) {
  return form.NextGrid->Cell(row, column).toStdString();
}

std::vector<std::string> Column(TFormMain& form, int column) {
  std::vector<std::string> cells;
  for (int row = 0; row < form.NextGrid->RowCount(); ++row)
    cells.push_back(Cell(form, row, column));
  return cells;
}

// What the failed-files dialog showed.
struct FailedDialogSeen {
  int shown = 0;
  std::string caption;
  std::string text;
  std::vector<std::string> lines;
  QPoint at;
  QSize size;
};

void ObserveFailedDialog(FakePlatform& fake, FailedDialogSeen& seen) {
  fake.on_dialog = [&seen](QDialog& dialog) {
    auto* failed = qobject_cast<TFormFailedAddFile*>(&dialog);
    EXPECT_NE(failed, nullptr);
    if (failed == nullptr) return static_cast<int>(QDialog::Rejected);
    ++seen.shown;
    seen.caption = failed->windowTitle().toStdString();
    seen.text = failed->LabelMessage->text().toStdString();
    seen.lines.clear();
    for (int row = 0; row < failed->ListViewFiles->RowCount(); ++row)
      seen.lines.push_back(failed->ListViewFiles->Cell(row, 0).toStdString());
    seen.at = failed->pos();
    seen.size = failed->size();
    return static_cast<int>(QDialog::Accepted);
  };
}

TEST(InputList, AudioOnlyAndVideoFilesInOneAdding) {
  WizardEnv env;
  TFormMain& form = env.Create();
  const std::string audio = AudioOnlyClip().string();
  const std::string video = StandardClip().string();
  form.AddInputFiles({audio, video});

  ASSERT_EQ(form.NextGrid->RowCount(), 2);
  EXPECT_EQ(Column(form, NxTextColumnFileFullName), (std::vector<std::string>{audio, video}));
  // The audio-only row shows its audio facts in the tile.
  EXPECT_EQ(Cell(form, 0, NxTextColumnBitrate).rfind("Audio Bit rate: ", 0), 0u);
  EXPECT_EQ(Cell(form, 0, NxTextColumnDimension).rfind("Audio Encoder: aac", 0), 0u)
      << Cell(form, 0, NxTextColumnDimension);
  EXPECT_EQ(Cell(form, 0, NxTextColumnAudioSampleRate), "Sample rate: 48000 Hz");
  EXPECT_EQ(Cell(form, 0, NxTextColumnAudioChannels), "Channels: 1");
  EXPECT_EQ(Cell(form, 0, NxTextColumnDuration), "Duration: 00:00:02.000");

  EXPECT_EQ(Cell(form, 1, NxTextColumnBitrate).rfind("Bit rate: ", 0), 0u);
  EXPECT_NE(Cell(form, 1, NxTextColumnBitrate).find(" Kbps"), std::string::npos);
  EXPECT_EQ(Cell(form, 1, NxTextColumnDimension), "Dimension: 640 x 360");
  EXPECT_NEAR(std::stod(Cell(form, 1, NxTextColumnAspectRatio)), 640.0 / 360.0, 1e-5);
  EXPECT_EQ(Cell(form, 1, NxTextColumnFrameRate), "Frame rate: 25.00");
  EXPECT_EQ(Cell(form, 1, NxTextColumnAudioSampleRate), "Sample rate: 44100 Hz");
  EXPECT_EQ(Cell(form, 1, NxTextColumnVideoEncoder).rfind("Video encoder: h264(", 0), 0u);
  EXPECT_EQ(Cell(form, 1, NxTextColumnFileSize),
            "File size: " + std::to_string(fs::file_size(video)) + " M");
  const std::int64_t duration = std::stoll(Cell(form, 1, NxTextColumnRealDuration));
  EXPECT_NEAR(static_cast<double>(duration), 3e6, 1e5);
  EXPECT_EQ(Cell(form, 1, NxTextColumnDuration).rfind("Duration: 00:00:03.", 0), 0u);
  // The name line is the path, shortened only when it does not fit.
  const QString shown = form.NextGrid->Cell(1, NxTextColumnFileMinName);
  EXPECT_LE(QFontMetrics(form.FileNameFont()).horizontalAdvance(shown), TFormMain::kFileNameWidth);
  EXPECT_TRUE(shown.endsWith("/" + QString::fromStdString(StandardClip().filename().string())))
      << shown.toStdString();

  // One picture per file: the audio icon, then a picture of the video in the tile's shape.
  ASSERT_EQ(form.Thumbnails().size(), 2u);
  EXPECT_EQ(form.NextGrid->CellImage(0, NxGraphicColumnMainImage),
            form.ImageAudioIcon->pixmap().toImage());
  const QImage picture = form.NextGrid->CellImage(1, NxGraphicColumnMainImage);
  ASSERT_FALSE(picture.isNull());
  EXPECT_LE(picture.width(), 256);
  EXPECT_NEAR(static_cast<double>(picture.width()) / picture.height(), 16.0 / 9.0, 0.05);

  EXPECT_TRUE(env.fake.dialogs.empty());
  EXPECT_TRUE(GlobalVars().AddFailures.empty());
  // Nothing checks for files already listed.
  form.AddInputFiles({video});
  EXPECT_EQ(Column(form, NxTextColumnFileFullName),
            (std::vector<std::string>{audio, video, video}));
}

TEST(InputList, ThumbnailComesFromTheMiddleOfTheFile) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.AddInputFiles({MiddleBrightClip().string(), UnknownDurationClip().string()});
  ASSERT_EQ(form.NextGrid->RowCount(), 2);
  const QImage middle = form.NextGrid->CellImage(0, NxGraphicColumnMainImage);
  ASSERT_FALSE(middle.isNull());
  EXPECT_GT(qGray(middle.pixel(middle.width() / 2, middle.height() / 2)), 150);
  // A video stream whose bit rate the container does not keep.
  EXPECT_EQ(Cell(form, 0, NxTextColumnBitrate), "Bit rate: Bit rate is not preseted");

  // Unknown duration: its own text, "0" in the hidden column, a picture from the start.
  EXPECT_EQ(Cell(form, 1, NxTextColumnDuration), "Duration: Duration is not preseted");
  EXPECT_EQ(Cell(form, 1, NxTextColumnRealDuration), "0");
  EXPECT_FALSE(form.NextGrid->CellImage(1, NxGraphicColumnMainImage).isNull());
}

TEST(InputList, FilesThatFailAreLoggedAndListedInTheDialog) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.move(60, 50);
  FailedDialogSeen seen;
  ObserveFailedDialog(env.fake, seen);
  WriteFile(env.root / "notes.mp4", "this is not a video");
  const std::string text_file = (env.root / "notes.mp4").string();
  const std::string missing = (env.root / "missing.mkv").string();
  const std::string video = StandardClip().string();

  form.AddInputFiles({text_file, video, missing});
  // The good file is still added.
  ASSERT_EQ(form.NextGrid->RowCount(), 1);
  EXPECT_EQ(Cell(form, 0, NxTextColumnFileFullName), video);
  EXPECT_EQ(form.Thumbnails().size(), 1u);

  ASSERT_EQ(seen.shown, 1);
  EXPECT_EQ(env.fake.dialogs, std::vector<std::string>{"FormFailedAddFile"});
  EXPECT_EQ(seen.caption, "Failed to Add Files");
  EXPECT_EQ(seen.text, kFailedText);
  // One line per failed file, each the decoder's error text, which names the file.
  ASSERT_EQ(seen.lines.size(), 2u);
  EXPECT_NE(seen.lines[0].find(text_file), std::string::npos) << seen.lines[0];
  EXPECT_NE(seen.lines[1].find(missing), std::string::npos) << seen.lines[1];
  EXPECT_EQ(GlobalVars().AddFailures, seen.lines);
  std::vector<std::string> logged;
  for (const std::string& line : env.log().Lines())
    if (line.rfind("File load error: ", 0) == 0) logged.push_back(line);
  EXPECT_EQ(logged, (std::vector<std::string>{"File load error: " + seen.lines[0],
                                              "File load error: " + seen.lines[1]}));
  // Centred on the main window, halves toward zero; destroyed after closing.
  const QRect frame = form.geometry();
  EXPECT_EQ(seen.at, QPoint(frame.left() + (frame.width() - seen.size.width()) / 2,
                            frame.top() + (frame.height() - seen.size.height()) / 2));
  EXPECT_TRUE(form.findChildren<TFormFailedAddFile*>().isEmpty());

  // The failure list starts over with each adding: all failing adds no row and lists each file.
  form.AddInputFiles({missing, missing + "2", missing + "3"});
  EXPECT_EQ(form.NextGrid->RowCount(), 1);
  ASSERT_EQ(seen.shown, 2);
  EXPECT_EQ(seen.lines.size(), 3u);
  EXPECT_EQ(form.Thumbnails().size(), 1u);

  // A good adding shows no dialog and empties the failure list.
  form.AddInputFiles({video});
  EXPECT_EQ(seen.shown, 2);
  EXPECT_TRUE(GlobalVars().AddFailures.empty());
  // An empty list does nothing.
  form.AddInputFiles({});
  EXPECT_EQ(form.NextGrid->RowCount(), 2);
}

TEST(InputList, FailedFilesDialogButtons) {
  WizardEnv env(Config{{"HelpSupportLink", "https://tallowin.example/formats"}});
  TFormMain& form = env.Create();
  bool stayed_open = false;
  int result = -1;
  env.fake.on_dialog = [&](QDialog& dialog) {
    auto& failed = static_cast<TFormFailedAddFile&>(dialog);
    EXPECT_EQ(failed.ButtonMoreInfo->text(), "More Information...");
    EXPECT_EQ(failed.ButtonClose->text(), "Close");
    EXPECT_TRUE(failed.ButtonClose->isDefault());
    failed.show();
    failed.ButtonMoreInfo->click();
    stayed_open = failed.isVisible();
    failed.ButtonClose->click();
    result = failed.result();
    EXPECT_FALSE(failed.isVisible());
    return result;
  };
  form.AddInputFiles({(env.root / "nothing.avi").string()});
  EXPECT_TRUE(stayed_open);
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(env.fake.opened, std::vector<std::string>{"https://tallowin.example/formats"});
}

TEST(InputList, OpenDialogAddsTheChosenFilesAndRemembersTheFolder) {
  WizardEnv env;
  TFormMain& form = env.Create();
  GlobalVars().LastOpenDir = env.Documents();
  // The dialog's filter takes extensions that a drop would not.
  const fs::path webm = env.root / "picked/clip.webm";
  fs::create_directories(webm.parent_path());
  fs::copy_file(StandardClip(), webm);
  const std::string audio = AudioOnlyClip().string();

  env.fake.open_file_answers.push_back(std::vector<std::string>{webm.string(), audio});
  form.ActionAdd->trigger();
  ASSERT_EQ(env.fake.open_file_requests.size(), 1u);
  const OpenFileDialogOptions& asked = env.fake.open_file_requests[0];
  EXPECT_EQ(asked.initial_dir, env.Documents());
  EXPECT_TRUE(asked.multi_select);
  EXPECT_EQ(asked.filter,
            "All Supported Formats|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;"
            "*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.MP3;"
            "*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;"
            "*.RA;*.WV;*.TTA;*.AC3;*.DTS;|All Video Formats (all types)|*.AVI;*.AVM;*.ASF;*.WMV;"
            "*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*.RMVB;*.TS;"
            "*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;|All Audio Formats (all types)|*.MP3;*.AAC;*.WAV;*.WMA;"
            "*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;"
            "*.AC3;*.DTS;|All Files|*.*");
  EXPECT_EQ(Column(form, NxTextColumnFileFullName),
            (std::vector<std::string>{webm.string(), audio}));
  EXPECT_EQ(GlobalVars().LastOpenDir, webm.parent_path().string() + "/");
  // With several files chosen no name is remembered; with one it is.
  EXPECT_EQ(form.OpenDialog.file_name, "");
  EXPECT_EQ(env.fake.busy_shown, 1);
  EXPECT_FALSE(env.fake.busy_cursor_visible);

  env.fake.open_file_answers.push_back(std::vector<std::string>{audio});
  form.ActionAdd->trigger();
  EXPECT_EQ(env.fake.open_file_requests[1].initial_dir, webm.parent_path().string() + "/");
  EXPECT_EQ(form.OpenDialog.file_name, audio);
  EXPECT_EQ(GlobalVars().LastOpenDir, AudioOnlyClip().parent_path().string() + "/");
  EXPECT_EQ(form.NextGrid->RowCount(), 3);

  // Cancel changes nothing.
  form.ActionAdd->trigger();
  EXPECT_EQ(env.fake.open_file_requests.size(), 3u);
  EXPECT_EQ(env.fake.open_file_requests[2].file_name, audio);
  EXPECT_EQ(form.NextGrid->RowCount(), 3);
  EXPECT_EQ(env.fake.busy_shown, 2);
}

// Drops the files on the list, as from the desktop: the drag enters the list, which takes only
// its own rows, so the window takes the drag and then the drop.
void Drop(TFormMain& form, const std::vector<std::string>& paths) {
  QList<QUrl> urls;
  for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
  QMimeData data;
  data.setUrls(urls);
  QWidget* target = form.NextGrid->viewport();
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

TEST(InputList, DropAddsOnlySupportedFilesInTheirOrder) {
  WizardEnv env;
  TFormMain& form = env.Create();
  FailedDialogSeen seen;
  ObserveFailedDialog(env.fake, seen);
  const fs::path dir = env.root / "drop";
  fs::create_directories(dir / "folder.mp4");
  for (const char* name : {"b.MKV", "clip.webm", "clip.MPEG", "clip.txt", "a.mp4"})
    fs::copy_file(StandardClip(), dir / name);
  // A path longer than 255 bytes would arrive cut short: it is left out.
  fs::path deep = dir;
  while (deep.string().size() < 230) {
    const size_t room = 230 - deep.string().size();
    deep /= std::string(room > 41 ? 40 : std::max<size_t>(room - 1, 1), 'd');
  }
  fs::create_directories(deep);
  const fs::path too_long = deep / (std::string(30, 'x') + ".mp4");
  fs::copy_file(StandardClip(), too_long);
  ASSERT_GT(too_long.string().size(), 255u);
  // One that is exactly 255 bytes long is taken.
  const fs::path longest = deep / (std::string(255 - deep.string().size() - 1 - 4, 'y') + ".mp4");
  ASSERT_EQ(longest.string().size(), 255u);
  fs::copy_file(StandardClip(), longest);

  Drop(form, {(dir / "b.MKV").string(), (dir / "folder.mp4").string(), (dir / "clip.webm").string(),
              too_long.string(), (dir / "clip.MPEG").string(), (dir / "clip.txt").string(),
              (dir / "a.mp4").string(), longest.string()});
  EXPECT_EQ(Column(form, NxTextColumnFileFullName),
            (std::vector<std::string>{(dir / "b.MKV").string(), (dir / "a.mp4").string(),
                                      longest.string()}));
  EXPECT_EQ(seen.shown, 0);
  EXPECT_EQ(env.fake.busy_shown, 1);
  EXPECT_FALSE(env.fake.busy_cursor_visible);

  // Accepted on any page; a drop with nothing to add does nothing.
  form.ActivatePage(TWizardPage::Step5);
  Drop(form, {(dir / "clip.webm").string(), (dir / "folder.mp4").string()});
  EXPECT_EQ(form.NextGrid->RowCount(), 3);
  Drop(form, {(dir / "a.mp4").string()});
  EXPECT_EQ(form.NextGrid->RowCount(), 4);
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);
}

}  // namespace
}  // namespace tallowin::test
