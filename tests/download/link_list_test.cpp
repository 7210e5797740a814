// The link list on Step5 driven through the main window: pasting from the clipboard with the
// refusal boxes, removing and emptying rows, the enable rules, the download folder, opening a
// link, and links or files dropped on the list.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include "shell/global_vars.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

const std::string kA = "https://www.youtube.com/watch?v=aaa";
const std::string kB = "https://www.youtube.com/watch?v=bbb";
const std::string kC = "https://youtu.be/ccc";
const char kNotLink[] = "\n\r\n\rThis is not a YouTube video link.";
const char kDuplicate[] = "\n\r\n\rThis video is already in the download list.";

std::vector<std::string> Rows(TFormMain& form) {
  std::vector<std::string> rows;
  for (int row = 0; row < form.ListViewInputURL->RowCount(); ++row)
    rows.push_back(form.ListViewInputURL->Cell(row, 0).toStdString());
  return rows;
}

void SetClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  QCoreApplication::processEvents();
}

void ClearClipboard() {
  QGuiApplication::clipboard()->clear();
  QCoreApplication::processEvents();
}

// The main window on Step5, entered from the Mode page as the user does.
TFormMain& OnStep5(WizardEnv& env) {
  TFormMain& form = env.Create();
  form.RadioButtonDownloadVideo->setChecked(true);
  form.ActionNextExecute();
  QCoreApplication::processEvents();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);
  return form;
}

void Paste(TFormMain& form, const std::string& text) {
  SetClipboard(text);
  ASSERT_TRUE(form.ActionURLPaste->isEnabled());
  form.ActionURLPaste->trigger();
}

TEST(LinkList, PastedLinesAreAddedInOrderOrExplained) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  // Blank lines add nothing; upper-case links pass; the message boxes answer OK.
  env.fake.default_answer = kMrOk;
  const std::string upper = "HTTP://WWW.YOUTUBE.COM/WATCH?V=AAA";
  Paste(form, "\r\n" + kA + "\r\n\r\n" + kB + "\n\n" + kC + "\r\n" + upper + "\r\n");
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kB, kC, upper}));
  EXPECT_TRUE(env.fake.messages.empty());

  // A line without "http", and one of another site: one box each, with OK and Cancel.
  Paste(form, "www.youtube.com/watch?v=zzz\nhttps://vimeo.com/1\n" + kA);
  ASSERT_EQ(env.fake.messages.size(), 3u);
  EXPECT_EQ(env.fake.messages[0].text, "www.youtube.com/watch?v=zzz" + std::string(kNotLink));
  EXPECT_EQ(env.fake.messages[1].text, "https://vimeo.com/1" + std::string(kNotLink));
  EXPECT_EQ(env.fake.messages[2].text, kA + kDuplicate);
  for (const auto& message : env.fake.messages) {
    EXPECT_EQ(message.kind, MessageKind::Information);
    EXPECT_EQ(message.buttons, kMbOK | kMbCancel);
  }
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 4);

  // A quoted stretch keeps its line break: the two links make one row.
  env.fake.messages.clear();
  const std::string quoted = "\"" + kB + "\n" + kC + "\"";
  Paste(form, quoted + "\nhttps://www.youtube.com/watch?v=ddd");
  ASSERT_EQ(env.fake.messages.size(), 0u);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 6);
  EXPECT_EQ(form.ListViewInputURL->Cell(4, 0).toStdString(), quoted);
}

TEST(LinkList, CancelInARefusalDropsTheRestOfThePaste) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  env.fake.default_answer = kMrOk;
  Paste(form, kA + "\n" + kB);
  // The duplicate of A answered with OK goes on with C; the duplicate of B with Cancel stops.
  env.fake.answers = {kMrOk, kMrCancel};
  Paste(form, kA + "\n" + kC + "\n" + kB + "\nhttps://www.youtube.com/watch?v=late\n" + kA);
  ASSERT_EQ(env.fake.messages.size(), 2u);
  EXPECT_EQ(env.fake.messages[0].text, kA + kDuplicate);
  EXPECT_EQ(env.fake.messages[1].text, kB + kDuplicate);
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kB, kC}));

  // AddVideoLink itself: Cancel clears GoOn, OK leaves it.
  bool go_on = true;
  env.fake.answers = {kMrOk};
  form.AddVideoLink("nothing", go_on);
  EXPECT_TRUE(go_on);
  env.fake.answers = {kMrCancel};
  form.AddVideoLink(kC, go_on);
  EXPECT_FALSE(go_on);
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 3);
}

TEST(LinkList, PasteFollowsTheClipboard) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  SetClipboard(kA);
  EXPECT_TRUE(form.ActionURLPaste->isEnabled());
  EXPECT_TRUE(form.ButtonURLPaste->isEnabled());
  ClearClipboard();
  EXPECT_TRUE(form.NoTextOnClipboard());
  EXPECT_FALSE(form.ActionURLPaste->isEnabled());
  EXPECT_FALSE(form.ButtonURLPaste->isEnabled());
  EXPECT_FALSE(form.MenuPaste->isEnabled());
  // Reached anyway (the clipboard emptied after the check): nothing happens.
  form.ActionURLPasteExecute();
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);
  EXPECT_TRUE(env.fake.messages.empty());
  // Data without text counts as no text.
  auto* data = new QMimeData;
  data->setData("application/octet-stream", "xyz");
  QGuiApplication::clipboard()->setMimeData(data);
  QCoreApplication::processEvents();
  EXPECT_FALSE(form.ActionURLPaste->isEnabled());
  SetClipboard(kB);
  EXPECT_TRUE(form.ActionURLPaste->isEnabled());
}

TEST(LinkList, RemoveSelectsTheRowThatTookThePlace) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  const std::vector<std::string> five = {kA, kB, kC, "https://youtu.be/4", "https://youtu.be/5"};
  for (const std::string& link : five) AddLinkRow(form, link);
  EXPECT_FALSE(form.ActionURLRemove->isEnabled());
  EXPECT_TRUE(form.ActionURLEmpty->isEnabled());
  EXPECT_TRUE(form.ActionURLSelect->isEnabled());

  // Without a selection nothing goes.
  form.ActionURLRemoveExecute();
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 5);

  form.ListViewInputURL->SelectRow(1);
  EXPECT_TRUE(form.ActionURLRemove->isEnabled());
  form.ActionURLRemove->trigger();
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kC, five[3], five[4]}));
  EXPECT_EQ(form.ListViewInputURL->SelectedRow(), 1);

  form.ListViewInputURL->SelectRow(3);
  form.ActionURLRemoveExecute();
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kC, five[3]}));
  EXPECT_EQ(form.ListViewInputURL->SelectedRow(), 2);

  for (int left = 3; left > 0; --left) form.ActionURLRemoveExecute();
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);
  EXPECT_EQ(form.ListViewInputURL->SelectedRow(), -1);
  EXPECT_FALSE(form.ActionURLRemove->isEnabled());
  EXPECT_FALSE(form.ActionURLEmpty->isEnabled());
}

TEST(LinkList, EmptyClearsEveryRow) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  AddLinkRow(form, kA);
  AddLinkRow(form, kB);
  form.ListViewInputURL->SelectRow(0);
  form.ActionURLEmpty->trigger();
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 0);
  EXPECT_FALSE(form.ActionURLEmpty->isEnabled());
  EXPECT_FALSE(form.ActionURLRemove->isEnabled());
}

TEST(LinkList, SelectFolderTakesEffectAtOnce) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  GlobalVars().OutputURLDir = "/start/here/";
  env.fake.folder_answers = {std::nullopt, env.root.dir() + "videos", std::string("  ")};
  form.ActionURLSelect->trigger();  // cancelled
  EXPECT_EQ(GlobalVars().OutputURLDir, "/start/here/");
  form.ActionURLSelect->trigger();
  ASSERT_EQ(env.fake.folder_requests.size(), 2u);
  EXPECT_EQ(env.fake.folder_requests[1].start, "/start/here/");
  EXPECT_EQ(env.fake.folder_requests[1].title, "Please select a folder");
  EXPECT_EQ(form.EditURLOutput->text().toStdString(), env.root.dir() + "videos/");
  EXPECT_EQ(GlobalVars().OutputURLDir, env.root.dir() + "videos/");
  form.ActionURLSelect->trigger();  // confirmed without a folder
  EXPECT_EQ(GlobalVars().OutputURLDir, env.root.dir() + "videos/");
}

TEST(LinkList, DoubleClickOpensOnlyWebAddresses) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  AddLinkRow(form, kA);
  AddLinkRow(form, "file:///tmp/run.sh#http://youtube.com");
  form.ListViewInputURLDblClick();  // nothing selected
  form.ListViewInputURL->SelectRow(1);
  form.ListViewInputURLDblClick();
  EXPECT_TRUE(env.fake.opened.empty());
  form.ListViewInputURL->SelectRow(0);
  form.ListViewInputURLDblClick();
  EXPECT_EQ(env.fake.opened, (std::vector<std::string>{kA}));
}

// Drags `data` onto the link list and drops it, then lets the queued handling run.
bool DropOnList(TFormMain& form, QMimeData& data) {
  QWidget* target = form.ListViewInputURL->viewport();
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

TEST(LinkList, DroppedLinksJoinTheListAndFilesGoToTheInputList) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  env.fake.default_answer = kMrOk;
  const fs::path clip = env.root / "clip.mp4";
  fs::copy_file(StandardClip(), clip);

  QMimeData links;
  links.setUrls({QUrl(QString::fromStdString(kA)), QUrl("https://example.org/page"),
                 QUrl::fromLocalFile(QString::fromStdString(clip.string())),
                 QUrl(QString::fromStdString(kC))});
  ASSERT_TRUE(DropOnList(form, links));
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kC}));
  ASSERT_EQ(env.fake.messages.size(), 1u);
  EXPECT_EQ(env.fake.messages[0].text, "https://example.org/page" + std::string(kNotLink));
  EXPECT_EQ(form.NextGrid->RowCount(), 1);
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);

  // Plain text is split like a pasted text; Cancel stops the rest.
  QMimeData text;
  text.setText(QString::fromStdString("\n" + kB + "\n" + kA + "\nhttps://youtu.be/last\n"));
  env.fake.answers = {kMrCancel};
  ASSERT_TRUE(DropOnList(form, text));
  EXPECT_EQ(Rows(form), (std::vector<std::string>{kA, kC, kB}));
  EXPECT_EQ(env.fake.messages.back().text, kA + kDuplicate);

  // Anything else is not taken by the list.
  QMimeData other;
  other.setData("image/png", "....");
  EXPECT_FALSE(DropOnList(form, other));
  EXPECT_EQ(form.ListViewInputURL->RowCount(), 3);
}

}  // namespace
}  // namespace tallowin::test
