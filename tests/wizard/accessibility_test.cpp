// The main window as a screen reader and a keyboard user meet it: every control's spoken name
// and true state, the Tab order, the shortcuts that reach the log and About in every edition,
// and a typed "~/" folder.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <filesystem>
#include <set>

#include "shell/global_vars.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "ui/slide_grid.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

namespace fs = std::filesystem;

// The roles a screen reader lets the user act on or read: each needs a name.
bool NeedsName(QAccessible::Role role) {
  static const std::set<QAccessible::Role> roles = {
      QAccessible::Button,   QAccessible::PushButton, QAccessible::RadioButton,
      QAccessible::CheckBox, QAccessible::ComboBox,   QAccessible::EditableText,
      QAccessible::List,     QAccessible::Tree,       QAccessible::ProgressBar,
      QAccessible::Graphic,  QAccessible::Table,      QAccessible::Link};
  return roles.count(role) > 0;
}

// The controls without a spoken name, as "objectName (role)".
std::vector<std::string> Unnamed(QWidget& root) {
  std::vector<std::string> missing;
  for (QWidget* w : root.findChildren<QWidget*>()) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr || !NeedsName(iface->role())) continue;
    // A label showing no picture and no text is not there for the user.
    if (auto* label = qobject_cast<QLabel*>(w);
        label != nullptr && label->pixmap().isNull() && label->text().isEmpty())
      continue;
    if (iface->text(QAccessible::Name).trimmed().isEmpty())
      missing.push_back(w->objectName().toStdString() + " (" + std::to_string(iface->role()) + ")");
  }
  return missing;
}

QAccessible::State StateOf(QWidget* w) {
  return QAccessible::queryAccessibleInterface(w)->state();
}

TEST(Accessibility, EveryControlHasANameInEveryEdition) {
  for (const Config& edition :
       {Config{}, Config{{"Name", "Soundsift"}, {"Download", "False"}},
        Config{{"Name", "Clipharbor"}}, Config{{"Merge", "True"}, {"Download", "False"}}}) {
    WizardEnv env(edition);
    TFormMain& form = env.Create();
    ASSERT_EQ(form.CreateError(), "");
    AddInputRows(form, 2);
    AddLinkRow(form, "https://www.youtube.com/watch?v=aBcDeFgHiJk");
    const std::vector<std::string> missing = Unnamed(form);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    EXPECT_TRUE(Unnamed(env.log()).empty());
  }
}

TEST(Accessibility, WindowButtonsAndPicturesAreNamedAndDescribed) {
  WizardEnv env;
  TFormMain& form = env.Create();
  auto name = [](QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
  };
  EXPECT_EQ(name(form.ButtonMin), "Minimize");
  EXPECT_EQ(name(form.ButtonClose), "Close");
  EXPECT_EQ(name(form.ButtonNext), "Next");
  EXPECT_EQ(name(form.ImageTopLogo), "Tallowin Video Converter");
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(form.ImageConvertVideo)
                   ->text(QAccessible::Description)
                   .isEmpty());
  // The tiles of the input list read out their texts and what their picture is.
  AddInputRows(form, 1);
  form.NextGrid->SetCell(0, NxTextColumnFileMinName, "/media/clip0.mp4");
  form.NextGrid->SetCell(0, NxTextColumnDuration, "Duration: 00:00:03.000");
  const QModelIndex tile = form.NextGrid->model()->index(0, 0);
  EXPECT_EQ(tile.data(Qt::AccessibleTextRole).toString().toStdString(),
            "/media/clip0.mp4, Duration: 00:00:03.000");
  EXPECT_EQ(tile.data(Qt::AccessibleDescriptionRole).toString().toStdString(), "No picture");
  QImage picture(16, 16, QImage::Format_RGB32);
  picture.fill(Qt::red);
  form.NextGrid->SetCellImage(0, NxGraphicColumnMainImage, picture);
  EXPECT_EQ(tile.data(Qt::AccessibleDescriptionRole).toString().toStdString(), "Thumbnail picture");
  // The hidden columns (the full path among them) are not read out.
  EXPECT_EQ(tile.data(Qt::AccessibleTextRole).toString().count("/media/clip0.mp4"), 1);
}

TEST(Accessibility, TheChosenClassAndFormatAreCheckedNotDisabled) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.ButtonToFormatClick(2);
  form.ButtonFormatClick(2, 1);  // MP3
  const QAccessible::State chosen = StateOf(form.ButtonFormatMP3);
  EXPECT_TRUE(chosen.checkable);
  EXPECT_TRUE(chosen.checked);
  EXPECT_FALSE(chosen.disabled);
  const QAccessible::State other = StateOf(form.ButtonFormatWAV);
  EXPECT_TRUE(other.checkable);
  EXPECT_FALSE(other.checked);
  EXPECT_FALSE(other.disabled);
  EXPECT_TRUE(StateOf(form.ButtonToFormatAudio).checked);
  EXPECT_FALSE(StateOf(form.ButtonToFormatVideo).checked);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(form.ButtonFormatMP3)->role(),
            QAccessible::RadioButton);

  // A screen reader's "press" chooses a format like a click; the chosen one cannot be pressed.
  QAccessibleActionInterface* actions =
      QAccessible::queryAccessibleInterface(form.ButtonFormatWAV)->actionInterface();
  ASSERT_NE(actions, nullptr);
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(GlobalVars().OutputAudioFormat, 0);
  EXPECT_TRUE(StateOf(form.ButtonFormatWAV).checked);
  EXPECT_FALSE(StateOf(form.ButtonFormatMP3).checked);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(form.ButtonFormatWAV)
                   ->actionInterface()
                   ->actionNames()
                   .contains(QAccessibleActionInterface::pressAction()));

  // A bottom button is a plain button: disabled means disabled.
  form.ActivatePage(TWizardPage::Mode);
  form.UpdatePageCaptions();
  EXPECT_TRUE(StateOf(form.ButtonBack).disabled);
  EXPECT_FALSE(StateOf(form.ButtonBack).checkable);
}

TEST(Accessibility, TabWalksThePageBeforeTheBottomButtons) {
  WizardEnv env;
  TFormMain& form = env.Create();
  // From the first control of Step2, Tab stays inside the pages until it reaches Help, then the
  // bottom buttons in their order, then the window buttons.
  QWidget* w = form.EditOutputDir;
  int steps = 0;
  while (w != form.ButtonHelp && steps++ < 500) {
    w = w->nextInFocusChain();
    if (w == form.ButtonHelp) break;
    if (w->focusPolicy() & Qt::TabFocus) {
      EXPECT_TRUE(form.PageControlMain->isAncestorOf(w)) << w->objectName().toStdString();
    }
  }
  ASSERT_EQ(w, form.ButtonHelp);
  std::vector<QWidget*> order;
  for (QWidget* next = w->nextInFocusChain(); order.size() < 6; next = next->nextInFocusChain()) {
    if (next->focusPolicy() & Qt::TabFocus) order.push_back(next);
  }
  EXPECT_EQ(order, (std::vector<QWidget*>{form.ButtonLog, form.ButtonBack, form.ButtonNext,
                                          form.ButtonExit, form.ButtonMin, form.ButtonClose}));
  for (QWidget* b : order) EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus);
}

TEST(Accessibility, LogAndAboutKeepShortcutsWhenTheirButtonsAreHidden) {
  for (const char* title : {"Soundsift", "Clipharbor", "Tallowin Video Converter"}) {
    SCOPED_TRACE(title);
    WizardEnv env(Config{{"Name", title}});
    TFormMain& form = env.Create();
    const bool edition = std::string(title) != "Tallowin Video Converter";
    EXPECT_EQ(form.ButtonLog->isHidden(), edition);
    EXPECT_EQ(form.ButtonHelp->isHidden(), edition);
    // The actions belong to the window, so their shortcuts work without the buttons.
    EXPECT_TRUE(form.actions().contains(form.ActionLog));
    EXPECT_TRUE(form.actions().contains(form.ActionAbout));
    EXPECT_EQ(form.ActionLog->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(form.ActionAbout->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
    EXPECT_EQ(form.ActionLog->shortcutContext(), Qt::WindowShortcut);
    EXPECT_TRUE(form.ActionLog->isEnabled());
    // The logo's menu reaches both as well.
    EXPECT_TRUE(form.PopupMenuWindow->actions().contains(form.ActionLog));
    EXPECT_TRUE(form.PopupMenuWindow->actions().contains(form.ActionAbout));
    form.ActionLog->trigger();
    EXPECT_TRUE(env.log().isVisible());
    env.log().hide();
  }
}

TEST(Accessibility, ShortcutsDoNotCollide) {
  WizardEnv env;
  TFormMain& form = env.Create();
  std::map<QKeySequence, std::string> seen;
  for (QAction* a : form.actions()) {
    if (a->shortcut().isEmpty()) continue;
    const auto [it, fresh] = seen.emplace(a->shortcut(), a->objectName().toStdString());
    EXPECT_TRUE(fresh) << a->objectName().toStdString() << " and " << it->second;
  }
  EXPECT_FALSE(form.ActionNext->shortcut().isEmpty());
  EXPECT_FALSE(form.ActionBack->shortcut().isEmpty());
  EXPECT_FALSE(form.ActionExit->shortcut().isEmpty());
}

TEST(OutputFolder, ALeadingTildeMeansTheHomeFolder) {
  WizardEnv env;
  TFormMain& form = env.Create();
  AddInputRows(form, 1);
  form.ActivatePage(TWizardPage::Step1);
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step2);
  form.EditOutputDir->setText("~/Converted");
  form.ActionNextExecute();
  const std::string home = env.root.dir() + "home";
  EXPECT_EQ(GlobalVars().OutputFileDir, home + "/Converted/");
  EXPECT_TRUE(fs::is_directory(home + "/Converted"));
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step3);
  // No folder literally named "~" appears anywhere.
  EXPECT_FALSE(fs::exists("~"));
  EXPECT_FALSE(fs::exists(env.root.dir() + "~"));
}

TEST(OutputFolder, ALeadingTildeOnTheDownloadPageToo) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.ActivatePage(TWizardPage::Mode);
  form.RadioButtonDownloadVideo->setChecked(true);
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step5);
  form.EditURLOutput->setText("~/Videos");
  form.ReadBackLinkPage();
  EXPECT_EQ(GlobalVars().OutputURLDir, env.root.dir() + "home/Videos/");
}

}  // namespace
}  // namespace tallowin::test
