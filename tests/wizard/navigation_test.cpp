// Next, Back and Exit on every page, with every confirmation answered Yes and No, in the
// download edition and in the convert-only edition.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "shell/global_vars.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/window_messages.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

namespace fs = std::filesystem;

constexpr char kCancelAndGoBack[] = "Are you sure to cancel and go back?";
constexpr char kCancel[] = "Are you sure to cancel?";
constexpr char kQuit[] = "Are you sure to quit now?";
constexpr char kFolderNotice[] =
    "Fail to create directory! Please check if output folder have the right format!";

// Records the custom window messages that reach the window.
class MessageRecorder : public QObject {
 public:
  explicit MessageRecorder(QObject* target) { target->installEventFilter(this); }
  std::vector<int> seen;
  bool eventFilter(QObject*, QEvent* event) override {
    const int type = static_cast<int>(event->type());
    if (type >= WM_APP_SHOW && type <= WM_APP_DOWNLOAD_ERROR) seen.push_back(type);
    return false;
  }
};

std::map<std::string, std::string> Edition(bool download, bool merge) {
  return {{"Download", download ? "True" : "False"}, {"Merge", merge ? "Yes" : "False"}};
}

// What the window shows of the caption table.
void ExpectButtons(TFormMain& form, const char* next, bool next_enabled, bool back_enabled,
                   const char* exit) {
  EXPECT_EQ(form.ButtonNext->text().toStdString(), next);
  EXPECT_EQ(form.ButtonNext->isEnabled(), next_enabled);
  EXPECT_EQ(form.ButtonBack->text().toStdString(), "Back");
  EXPECT_EQ(form.ButtonBack->isEnabled(), back_enabled);
  EXPECT_EQ(form.ButtonExit->text().toStdString(), exit);
  EXPECT_TRUE(form.ButtonExit->isEnabled());
}

TEST(WizardNavigation, ConversionPathOfTheDownloadEdition) {
  WizardEnv env(Edition(true, false));
  TFormMain& form = env.Create();
  QCoreApplication::processEvents();
  MessageRecorder recorder(&form);
  ASSERT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.LabelTitle->text().toStdString(),
            "Welcome to Tallowin Video Converter! What do you want to do?");
  ExpectButtons(form, "Next", true, false, "Exit");

  // Clicking a picture chooses its mode.
  emit form.ImageConvertVideo->Clicked();
  EXPECT_TRUE(form.RadioButtonConvertVideo->isChecked());
  form.ButtonNext->click();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step1);
  ExpectButtons(form, "Next", true, true, "Cancel");

  // An empty list refuses Next.
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information),
            std::vector<std::string>{"Please add the video files you want to convert"});

  AddInputRows(form, 2);
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step2);
  EXPECT_EQ(form.LabelTitle->text().toStdString(),
            "Select an output mode and specify a path for the output files.");
  ExpectButtons(form, "Convert", true, true, "Cancel");

  // Back on Step2 asks nothing and keeps the list.
  const size_t asked = env.fake.messages.size();
  form.ActionBackExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  EXPECT_EQ(form.NextGrid->RowCount(), 2);
  EXPECT_EQ(env.fake.messages.size(), asked);

  // Next on Step2 creates the missing folders, takes the finishing options and posts the run.
  form.ActionNextExecute();
  const std::string out = env.root.dir() + "out/a/b";
  form.EditOutputDir->setText(QString::fromStdString(out));
  GlobalVars().PlayASoundWhenFinished = true;
  GlobalVars().ShutDownWhenFinished = false;
  form.CheckBoxShutdown->setChecked(true);
  recorder.seen.clear();
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step3);
  EXPECT_TRUE(fs::is_directory(out));
  EXPECT_EQ(GlobalVars().OutputFileDir, out + "/");
  EXPECT_TRUE(form.CheckBoxPlayASound->isChecked());
  EXPECT_FALSE(form.CheckBoxShutdown->isChecked());
  ExpectButtons(form, "Next", false, false, "Cancel");
  EXPECT_EQ(form.LabelTitle->text().toStdString(), "Conversion information.");
  // Posted: handled only once the current handler has returned.
  EXPECT_TRUE(recorder.seen.empty());

  // Next and Back do nothing on Step3; Exit asks before cancelling.
  form.ActionNextExecute();
  form.ActionBackExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step3);
  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, "Do you really want to cancel the conversion?");
  EXPECT_EQ(env.fake.messages.back().kind, MessageKind::Confirmation);
  EXPECT_EQ(env.fake.messages.back().buttons, unsigned{kMbYes | kMbNo});

  // The rows name no real file: no job is accepted and the run ends at once on Step4.
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.seen, std::vector<int>{WM_APP_CONVERT});
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step4);

  // Finish on Step4 empties both lists and goes back to the start page.
  form.ActivatePage(TWizardPage::Step4);
  ExpectButtons(form, "Finish", true, false, "Exit");
  EXPECT_EQ(form.LabelTitle->text().toStdString(), "The conversion is finished.");
  form.ListViewConverting->AddRow({"clip0.mp4", "00:00:03.000", "Finish.", "100%", "/media/"});
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.NextGrid->RowCount(), 0);
  EXPECT_EQ(form.ListViewConverting->RowCount(), 0);
}

TEST(WizardNavigation, FolderThatCannotBeCreatedKeepsStep2) {
  WizardEnv env(Edition(false, false));
  TFormMain& form = env.Create();
  AddInputRows(form, 1);
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step2);
  // A folder below a plain file cannot exist.
  WriteFile(env.root / "plain", "x");
  form.EditOutputDir->setText(QString::fromStdString(env.root.dir() + "plain/out"));
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).back(), kFolderNotice);
  // An empty folder text names no folder at all.
  form.EditOutputDir->setText("  ");
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).size(), 2u);
  // A relative folder is refused too, and nothing is created in the working folder.
  form.EditOutputDir->setText("tallowin-relative-out");
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).size(), 3u);
  EXPECT_FALSE(fs::exists("tallowin-relative-out"));
}

TEST(WizardNavigation, MergeEditionJoinsOnStep2) {
  WizardEnv env(Edition(false, true));
  TFormMain& form = env.Create();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step1);
  AddInputRows(form, 1);
  form.ActionNextExecute();
  ExpectButtons(form, "Join Now", true, true, "Cancel");
}

TEST(WizardNavigation, CancelOnStep1AndStep2OfTheDownloadEdition) {
  WizardEnv env(Edition(true, false));
  TFormMain& form = env.Create();
  form.ActivatePage(TWizardPage::Step1);
  AddInputRows(form, 3);

  env.fake.answers = {kMrNo};
  form.ActionBackExecute();
  EXPECT_EQ(env.fake.messages.back().text, kCancelAndGoBack);
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  EXPECT_EQ(form.NextGrid->RowCount(), 3);
  env.fake.answers = {kMrYes};
  form.ActionBackExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.NextGrid->RowCount(), 0);

  form.ActivatePage(TWizardPage::Step1);
  AddInputRows(form, 1);
  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, kCancel);
  EXPECT_EQ(form.NextGrid->RowCount(), 1);
  env.fake.answers = {kMrYes};
  form.ActionExitExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.NextGrid->RowCount(), 0);

  form.ActivatePage(TWizardPage::Step2);
  AddInputRows(form, 1);
  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
  env.fake.answers = {kMrYes};
  form.ActionExitExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.NextGrid->RowCount(), 0);
}

TEST(WizardNavigation, ConvertOnlyEditionStartsAndEndsOnStep1) {
  WizardEnv env(Edition(false, false));
  TFormMain& form = env.Create();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step1);
  ExpectButtons(form, "Next", true, false, "Exit");

  // Back is disabled and does nothing.
  form.ActionBackExecute();
  EXPECT_TRUE(env.fake.messages.empty());

  // Exit on Step2 still cancels to Step1.
  AddInputRows(form, 1);
  form.ActionNextExecute();
  env.fake.answers = {kMrYes};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, kCancel);
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  EXPECT_EQ(form.NextGrid->RowCount(), 0);

  // Exit on Step1 asks to quit; No keeps the window.
  ClosedCounter closed(form);
  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, kQuit);
  EXPECT_EQ(closed.count, 0);
  env.fake.answers = {kMrYes};
  form.ActionExitExecute();
  EXPECT_EQ(closed.count, 1);
}

TEST(WizardNavigation, QuitQuestionOnModeStep4AndStep7) {
  for (TWizardPage page : {TWizardPage::Mode, TWizardPage::Step4, TWizardPage::Step7}) {
    WizardEnv env(Edition(true, false));
    TFormMain& form = env.Create();
    form.ActivatePage(page);
    ClosedCounter closed(form);
    env.fake.answers = {kMrNo};
    form.ActionExitExecute();
    EXPECT_EQ(env.fake.messages.back().text, kQuit);
    EXPECT_EQ(form.ActivePage(), page);
    EXPECT_EQ(closed.count, 0);
    env.fake.answers = {kMrYes};
    form.ActionExitExecute();
    EXPECT_EQ(closed.count, 1);
  }
}

TEST(WizardNavigation, DownloadPath) {
  WizardEnv env(Edition(true, false));
  TFormMain& form = env.Create();
  GlobalVars().PreferYouTubeQuality = false;
  form.RadioButtonDownloadVideo->setChecked(true);
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step5);
  EXPECT_EQ(form.EditURLOutput->text().toStdString(), env.Documents());
  EXPECT_FALSE(form.CheckBoxYouTubeQuality->isChecked());
  EXPECT_FALSE(form.ButtonYouTubeQualityConfig->isEnabled());
  EXPECT_EQ(form.LabelTitle->text().toStdString(),
            "Copy a YouTube link from your browser address bar and Paste here");
  ExpectButtons(form, "Download", true, true, "Cancel");

  // Without links: the notice, the page stays.
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).back(),
            "Please Copy & Paste the YouTube video links you want to download.");

  // A folder that cannot be made: the folder notice.
  AddLinkRow(form, "https://www.youtube.com/watch?v=abc");
  WriteFile(env.root / "plain", "x");
  form.EditURLOutput->setText(QString::fromStdString(env.root.dir() + "plain/videos"));
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).back(), kFolderNotice);

  // Links and a folder: the folder is made, the read-back stored, the last run's files dropped.
  const std::string videos = env.root.dir() + "videos/new";
  form.EditURLOutput->setText(QString::fromStdString(videos));
  form.CheckBoxYouTubeQuality->setChecked(true);
  GlobalVars().DownloadedFiles = {"/old/video.flv"};
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step6);
  EXPECT_TRUE(fs::is_directory(videos));
  EXPECT_EQ(GlobalVars().OutputURLDir, videos + "/");
  EXPECT_TRUE(GlobalVars().PreferYouTubeQuality);
  EXPECT_TRUE(GlobalVars().DownloadedFiles.empty());
  ExpectButtons(form, "Next", false, false, "Cancel");
  EXPECT_EQ(form.LabelTitle->text().toStdString(), "Downloading information.");

  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, "Do you really want to cancel the downloading?");
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step6);

  // Step7: Finish empties both link lists; the downloaded files stay for a later convert.
  form.ActivatePage(TWizardPage::Step7);
  ExpectButtons(form, "Finish", true, false, "Exit");
  EXPECT_EQ(form.LabelTitle->text().toStdString(), "The downloading is finished.");
  form.ListViewURLDownload->AddRow({"clip", "Finish."});
  GlobalVars().DownloadedFiles = {"/videos/clip.mp4"};
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);
  EXPECT_EQ(form.ListViewURLDownload->RowCount(), 0);
  EXPECT_EQ(GlobalVars().DownloadedFiles.size(), 1u);
}

TEST(WizardNavigation, BackAndExitOnStep5) {
  WizardEnv env(Edition(true, false));
  TFormMain& form = env.Create();
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step5);
  AddLinkRow(form, "https://www.youtube.com/watch?v=abc");

  env.fake.answers = {kMrNo};
  form.ActionBackExecute();
  EXPECT_EQ(env.fake.messages.back().text, kCancelAndGoBack);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 1);
  env.fake.answers = {kMrNo};
  form.ActionExitExecute();
  EXPECT_EQ(env.fake.messages.back().text, kCancel);
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);

  env.fake.answers = {kMrYes};
  form.ActionExitExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);

  form.ActionNextExecute();
  AddLinkRow(form, "https://www.youtube.com/watch?v=def");
  env.fake.answers = {kMrYes};
  form.ActionBackExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Mode);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);
}

TEST(WizardNavigation, ConvertTheDownloadedFiles) {
  WizardEnv env(Edition(true, false));
  TFormMain& form = env.Create();
  form.ActivatePage(TWizardPage::Step7);
  GlobalVars().DownloadedFiles.clear();
  form.ButtonConvertDownloaded->click();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step7);
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).back(),
            "No file downloaded! Please try again.");

  GlobalVars().DownloadedFiles = {env.root.dir() + "clip.mp4"};
  form.ButtonConvertDownloaded->click();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  ExpectButtons(form, "Next", true, true, "Cancel");
}

}  // namespace
}  // namespace tallowin::test

namespace tallowin::test {
namespace {

// The caption table as the window shows it, for every page in all four editions.
TEST(WizardNavigation, CaptionTableInEveryEdition) {
  for (bool download : {true, false}) {
    for (bool merge : {true, false}) {
      WizardEnv env(Edition(download, merge));
      TFormMain& form = env.Create();
      const struct {
        TWizardPage page;
        const char* next;
        bool next_enabled;
        bool back_enabled;
        const char* exit;
      } rows[] = {
          {TWizardPage::Mode, "Next", true, false, "Exit"},
          {TWizardPage::Step1, "Next", true, download, download ? "Cancel" : "Exit"},
          {TWizardPage::Step2, merge ? "Join Now" : "Convert", true, true, "Cancel"},
          {TWizardPage::Step3, "Next", false, false, "Cancel"},
          {TWizardPage::Step4, "Finish", true, false, "Exit"},
          {TWizardPage::Step5, "Download", true, true, "Cancel"},
          {TWizardPage::Step6, "Next", false, false, "Cancel"},
          {TWizardPage::Step7, "Finish", true, false, "Exit"},
      };
      for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "download " << download << " merge " << merge << " page "
                                        << static_cast<int>(row.page));
        // Through the page control's own change event, as any later page move does.
        form.PageControlMain->SetActivePage(form.PageSheet(row.page));
        ExpectButtons(form, row.next, row.next_enabled, row.back_enabled, row.exit);
      }
    }
  }
}

}  // namespace
}  // namespace tallowin::test
