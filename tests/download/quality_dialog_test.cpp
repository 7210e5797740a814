// The quality controls on Step5 and the dialog that orders the types, driven through the main
// window with the dialog answered by the fake platform.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "download/form_youtube_hq.h"
#include "shell/global_vars.h"
#include "shell/ini_file.h"
#include "shell/user_settings.h"
#include "ui/report_list.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

using download::TPreferenceOrder;

const char kBestLine[] =
    "Prefer: [HQ37] > [HQ22] > [HQ35] > [HQ18] > [HQ6] > [HQ34] > [HQ13] > [HQ17]";
const char kDefaultLine[] =
    "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]";

TFormMain& OnStep5(WizardEnv& env) {
  TFormMain& form = env.Create();
  form.RadioButtonDownloadVideo->setChecked(true);
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step5);
  return form;
}

std::string Line(TFormMain& form) {
  return form.LabelYouTubeQuality->text().toStdString();
}

std::vector<std::string> Captions(const TFormYouTubeHQ& dialog) {
  std::vector<std::string> captions;
  for (int row = 0; row < dialog.ListViewYouTubeHQ->RowCount(); ++row)
    captions.push_back(dialog.ListViewYouTubeHQ->Cell(row, 0).toStdString());
  return captions;
}

// Runs `script` on the dialog when it opens; its result closes the dialog.
void OnDialog(WizardEnv& env, std::function<int(TFormYouTubeHQ&)> script) {
  env.fake.on_dialog = [script](QDialog& dialog) {
    auto* hq = dynamic_cast<TFormYouTubeHQ*>(&dialog);
    EXPECT_NE(hq, nullptr);
    return hq == nullptr ? static_cast<int>(QDialog::Rejected) : script(*hq);
  };
}

TEST(QualityControls, TheBoxEnablesConfigAndSwitchesTheLine) {
  WizardEnv env;
  ASSERT_TRUE(env.Create().CreateError().empty());
  TFormMain& form = env.form();
  GlobalVars().PreferYouTubeQuality = false;
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step5);
  EXPECT_FALSE(form.CheckBoxYouTubeQuality->isChecked());
  EXPECT_FALSE(form.ButtonYouTubeQualityConfig->isEnabled());
  EXPECT_EQ(Line(form), download::kDefaultQualityText);

  form.CheckBoxYouTubeQuality->click();
  EXPECT_TRUE(form.ButtonYouTubeQualityConfig->isEnabled());
  EXPECT_EQ(Line(form), kDefaultLine);
  // The setting changes only when the page is left with Next.
  EXPECT_FALSE(GlobalVars().PreferYouTubeQuality);
  form.CheckBoxYouTubeQuality->click();
  EXPECT_FALSE(form.ButtonYouTubeQualityConfig->isEnabled());
  EXPECT_EQ(Line(form), download::kDefaultQualityText);
}

TEST(QualityControls, BestAvailableThenOkStoresAndShowsTheOrder) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  ASSERT_TRUE(form.CheckBoxYouTubeQuality->isChecked());  // the start-up default
  EXPECT_EQ(Line(form), kDefaultLine);
  std::vector<std::string> shown;
  OnDialog(env, [&](TFormYouTubeHQ& dialog) {
    shown = Captions(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Prefer YouTube high quality");
    EXPECT_TRUE(dialog.ButtonOK->isDefault());
    // Centred over the main window.
    const QRect main = form.geometry();
    EXPECT_EQ(dialog.x(), main.left() + (main.width() - dialog.width()) / 2);
    EXPECT_EQ(dialog.y(), main.top() + (main.height() - dialog.height()) / 2);
    dialog.ButtonBestAvailable->click();
    dialog.ButtonOK->click();
    return dialog.result();
  });
  form.ButtonYouTubeQualityConfig->click();
  EXPECT_EQ(env.fake.dialogs, (std::vector<std::string>{"FormYouTubeHQ"}));
  EXPECT_EQ(shown, (std::vector<std::string>{"[HQ18]", "[HQ35]", "[HQ22]", "[HQ6]", "[HQ13]",
                                             "[HQ17]", "[HQ34]", "[HQ37]"}));
  EXPECT_EQ(download::PreferenceOrder(GlobalVars()), download::kBestAvailableOrder);
  EXPECT_EQ(Line(form), kBestLine);
}

TEST(QualityControls, TheSixMovedToTheTopIsTriedFirst) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  OnDialog(env, [&](TFormYouTubeHQ& dialog) {
    // [HQ6] is the fourth row of the start-up order.
    dialog.ListViewYouTubeHQ->SelectRow(3);
    for (int i = 0; i < 4; ++i) dialog.ButtonUp->click();
    EXPECT_EQ(dialog.ListViewYouTubeHQ->SelectedRow(), 0);
    EXPECT_EQ(dialog.ListViewYouTubeHQ->Cell(0, 1).toStdString(), "FLV");
    EXPECT_EQ(dialog.ListViewYouTubeHQ->Cell(0, 2).toStdString(), "480 x 36");
    return static_cast<int>(QDialog::Accepted);
  });
  form.ButtonYouTubeQualityConfig->click();
  EXPECT_EQ(GlobalVars().PreferYouTube1, 0);
  EXPECT_EQ(download::PreferenceOrder(GlobalVars()), (TPreferenceOrder{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(download::ExtensionForPosition(GlobalVars(), 1), ".flv");
  EXPECT_EQ(Line(form),
            "Prefer: [HQ6] > [HQ18] > [HQ35] > [HQ22] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");
}

TEST(QualityControls, UpAtTheTopAndDownAtTheBottomMoveNothing) {
  TGlobalVars vars;
  download::StorePreferenceOrder(vars, download::kDefaultOrder);
  TFormYouTubeHQ dialog(vars);
  const std::vector<std::string> start = Captions(dialog);
  ASSERT_EQ(start.size(), 8u);
  dialog.ListViewYouTubeHQ->SelectRow(0);
  dialog.ButtonUpClick();
  EXPECT_EQ(Captions(dialog), start);
  EXPECT_EQ(dialog.ListViewYouTubeHQ->SelectedRow(), 0);
  dialog.ListViewYouTubeHQ->SelectRow(7);
  dialog.ButtonDownClick();
  EXPECT_EQ(Captions(dialog), start);
  EXPECT_EQ(dialog.ListViewYouTubeHQ->SelectedRow(), 7);
  // Without a selection neither moves anything.
  dialog.ListViewYouTubeHQ->SelectRow(-1);
  dialog.ButtonUpClick();
  dialog.ButtonDownClick();
  EXPECT_EQ(Captions(dialog), start);
  // Down from the top carries the whole row.
  dialog.ListViewYouTubeHQ->SelectRow(0);
  dialog.ButtonDownClick();
  EXPECT_EQ(dialog.ListViewYouTubeHQ->SelectedRow(), 1);
  EXPECT_EQ(dialog.ListViewYouTubeHQ->Cell(1, 0).toStdString(), "[HQ18]");
  EXPECT_EQ(dialog.ListViewYouTubeHQ->Cell(1, 3).toStdString(), "Stereo 44KHz AAC");
  EXPECT_EQ(dialog.ListOrder(), (TPreferenceOrder{2, 1, 3, 0, 4, 5, 6, 7}));
  // The dialog's own moves are not stored until OK.
  EXPECT_EQ(download::PreferenceOrder(vars), download::kDefaultOrder);
}

TEST(QualityControls, NamedOrdersAreStoredEvenOnCancel) {
  WizardEnv env;
  TFormMain& form = OnStep5(env);
  download::StorePreferenceOrder(GlobalVars(), download::kBestAvailableOrder);
  form.CheckBoxYouTubeQualityClick();
  ASSERT_EQ(Line(form), kBestLine);
  std::vector<std::string> after_default;
  OnDialog(env, [&](TFormYouTubeHQ& dialog) {
    dialog.ListViewYouTubeHQ->SelectRow(5);
    dialog.ButtonUpClick();
    dialog.ButtonDefault->click();
    after_default = Captions(dialog);
    dialog.ButtonCancel->click();
    return dialog.result();
  });
  form.ButtonYouTubeQualityConfig->click();
  EXPECT_EQ(download::PreferenceOrder(GlobalVars()), download::kDefaultOrder);
  EXPECT_EQ(after_default, (std::vector<std::string>{"[HQ18]", "[HQ35]", "[HQ22]", "[HQ6]",
                                                     "[HQ13]", "[HQ17]", "[HQ34]", "[HQ37]"}));
  // The line is not refreshed by a cancelled dialog.
  EXPECT_EQ(Line(form), kBestLine);
}

TEST(QualityControls, EditedSettingsWithNumbersOutsideTheRange) {
  WizardEnv env;
  // The settings file holds 9 and -1 in two positions.
  {
    IniFile ini;
    TGlobalVars vars;
    download::StorePreferenceOrder(vars, download::kBestAvailableOrder);
    vars.PreferYouTubeQuality = true;
    WriteSettingsSection(vars, ini);
    ini.WriteInteger(kSettingsSection, "PreferYouTube3", 9);
    ini.WriteInteger(kSettingsSection, "PreferYouTube18", -1);
    const std::string folder = env.ConfigHome() + GlobalVars().AppTitle + "/";
    fs::create_directories(folder);
    ini.Save(folder + kSettingsFileName);
  }
  TFormMain& form = OnStep5(env);
  ASSERT_EQ(download::PreferenceOrder(GlobalVars()), (TPreferenceOrder{7, 3, 9, 1, 0, 6, 4, 255}))
      << "the settings file was not where the window reads it: " << GlobalVars().UserDataDir;
  std::vector<std::string> shown;
  OnDialog(env, [&](TFormYouTubeHQ& dialog) {
    shown = Captions(dialog);
    dialog.ListViewYouTubeHQ->SelectRow(4);
    dialog.ButtonDownClick();
    return static_cast<int>(QDialog::Accepted);
  });
  form.ButtonYouTubeQualityConfig->click();
  EXPECT_EQ(shown,
            (std::vector<std::string>{"[HQ37]", "[HQ22]", "[HQ18]", "[HQ6]", "[HQ34]", "[HQ13]"}));
  // OK stores all eight types, each once: the shown rows in their order, then the missing ones.
  EXPECT_EQ(download::PreferenceOrder(GlobalVars()), (TPreferenceOrder{7, 3, 1, 0, 4, 6, 2, 5}));
  EXPECT_EQ(Line(form),
            "Prefer: [HQ37] > [HQ22] > [HQ18] > [HQ6] > [HQ13] > [HQ34] > [HQ35] > [HQ17]");
}

}  // namespace
}  // namespace tallowin::test
