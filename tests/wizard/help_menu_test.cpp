// The help menu's links, the "more tools" label, the About dialog centred on the window and the
// log window shown without blocking.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include "shell/form_about.h"
#include "shell/global_vars.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

TEST(HelpMenu, ItemsOpenTheirConfiguredLinks) {
  WizardEnv env(Config{{"HelpHowTosTutorialVideosLink", ""}});
  TFormMain& form = env.Create();
  QStringList captions;
  for (QAction* action : form.PopupMenuHelp->actions()) {
    captions << (action->isSeparator() ? QString("-") : action->text());
  }
  EXPECT_EQ(captions,
            QStringList({"Help Content", "How Tos && Tutorial Videos...", "-", "Home Page...",
                         "More Free Tools...", "-", "Check for Updates...",
                         "Contact Technical Support...", "-", "About"}));
  EXPECT_EQ(form.ActionHelpContent->shortcut(), QKeySequence(Qt::Key_F1));

  for (QAction* action :
       {form.ActionHelpContent, form.ActionHowTosTutorialVideos, form.ActionHomePage,
        form.ActionMoreFreeTools, form.ActionCheckforUpdates, form.ActionContactTechnicalSupport}) {
    action->trigger();
  }
  emit form.LabelMoreTools->Clicked();
  // An empty link is passed on as it is.
  EXPECT_EQ(env.fake.opened,
            (std::vector<std::string>{
                "https://tallowin.example/help", "", "https://tallowin.example/",
                "https://tallowin.example/tools", "https://tallowin.example/download",
                "https://tallowin.example/support", "https://tallowin.example/tools"}));
}

TEST(HelpMenu, HelpButtonOpensTheMenuBelowItself) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.move(20, 30);
  form.ButtonHelp->click();
  EXPECT_TRUE(form.PopupMenuHelp->isVisible());
  EXPECT_EQ(form.PopupMenuHelp->pos(), form.HelpMenuPosition());
  EXPECT_EQ(form.HelpMenuPosition(), QPoint(20 + 40, 30 + 510 + 32));
  form.PopupMenuHelp->hide();
}

TEST(HelpMenu, AboutIsCentredOnTheMainWindowAndDestroyedAfterwards) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.move(100, 40);
  QRect shown;
  QPoint at;
  QTimer::singleShot(0, [&] {
    auto* about = qobject_cast<TFormAbout*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    shown = about->geometry();
    at = about->pos();
    about->accept();
  });
  form.ActionAbout->trigger();
  ASSERT_TRUE(shown.isValid());
  EXPECT_EQ(at.x(), 100 + (form.width() - shown.width()) / 2);
  EXPECT_EQ(at.y(), 40 + (form.height() - shown.height()) / 2);
  EXPECT_TRUE(form.findChildren<TFormAbout*>().isEmpty());
}

TEST(HelpMenu, LogButtonShowsTheLogWithoutWaiting) {
  WizardEnv env;
  TFormMain& form = env.Create();
  EXPECT_FALSE(env.log().isVisible());
  form.ButtonLog->click();
  EXPECT_TRUE(env.log().isVisible());
  EXPECT_FALSE(env.log().isModal());
  env.log().close();
}

}  // namespace
}  // namespace tallowin::test
