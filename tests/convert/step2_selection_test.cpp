// Step2 through the main window: each class and format shows what it remembers, Next saves the
// selection the run gets and Back drops what was typed, stored values out of range select
// nothing, and the output folder (typed, created, refused or chosen with "Select...").
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <optional>
#include <string>

#include "convert/output_formats.h"
#include "convert/preset_catalogue.h"
#include "shell/global_vars.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/slide_grid.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

namespace fs = std::filesystem;

constexpr char kFolderNotice[] =
    "Fail to create directory! Please check if output folder have the right format!";

// Moves from Step1 to Step2 with one file in the input list, as the user does.
void EnterStep2(TFormMain& form) {
  if (form.NextGrid->RowCount() == 0) AddInputRows(form, 1);
  form.ActivatePage(TWizardPage::Step1);
  form.UpdatePageCaptions();
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step2);
}

// The class whose button shows as selected (disabled) while its page is the one shown; -1 when
// no class or more than one looks selected.
int ShownClass(TFormMain& form) {
  int shown = -1;
  for (int c = 0; c < 3; ++c) {
    if (form.ClassButton(c)->isEnabled()) continue;
    if (shown != -1) return -1;
    shown = c;
  }
  if (shown == -1 || form.RzPageControlToFormat->isHidden() ||
      form.RzPageControlToFormat->ActivePage() != form.FormatPage(shown))
    return -1;
  return shown;
}

// The format of a class page whose button shows as selected and whose preset list is the one
// shown; -1 when none (or more than one) is.
int ShownFormat(TFormMain& form, int format_class) {
  int disabled = -1, listed = -1;
  for (int f = 0; form.FormatButton(format_class, f) != nullptr; ++f) {
    if (!form.FormatButton(format_class, f)->isEnabled()) {
      if (disabled != -1) return -1;
      disabled = f;
    }
    if (!form.PresetList(format_class, f)->isHidden()) {
      if (listed != -1) return -1;
      listed = f;
    }
  }
  return disabled == listed ? disabled : -1;
}

void TypeFolder(TFormMain& form, const std::string& folder) {
  form.EditOutputDir->setText(QString::fromStdString(folder));
}

TEST(Step2Selection, EachClassAndFormatShowsWhatItRemembers) {
  WizardEnv env;
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFormatClass = 2;
  g.OutputAudioFormat = 1;   // MP3
  g.OutputVideoFormat = 4;   // MPEG
  g.OutputDeviceFormat = 3;  // PSP
  g.OutputMP3Preset = 3;
  g.OutputMPEGPreset = 2;
  g.OutputPSPPreset = 0;
  g.OutputAVIPreset = 1;
  g.OutputFileDir = env.root.dir() + "stored/";
  EnterStep2(form);

  EXPECT_EQ(form.EditOutputDir->text().toStdString(), env.root.dir() + "stored/");
  EXPECT_EQ(ShownClass(form), 2);
  EXPECT_EQ(ShownFormat(form, 2), 1);
  EXPECT_EQ(ShownFormat(form, 0), 4);
  EXPECT_EQ(ShownFormat(form, 1), 3);
  EXPECT_EQ(form.ImageComboBoxMP3Presets->ItemIndex(), 3);
  EXPECT_EQ(form.ImageComboBoxMPEGPresets->ItemIndex(), 2);
  EXPECT_EQ(form.ImageComboBoxPSPPresets->ItemIndex(), 0);
  // The tip of a list holds its selected description whole.
  EXPECT_EQ(form.ImageComboBoxMPEGPresets->toolTip(), form.ImageComboBoxMPEGPresets->itemText(2));
  EXPECT_EQ(form.ImageComboBoxPSPPresets->toolTip(), form.ImageComboBoxPSPPresets->itemText(0));

  // Another MP3 preset, then the video class and AVI: the clicks are stored at once, and each
  // class page keeps its own format and each list its own item.
  form.ImageComboBoxMP3Presets->setCurrentIndex(0);
  form.ButtonToFormatVideo->click();
  EXPECT_EQ(ShownClass(form), 0);
  EXPECT_EQ(g.OutputFormatClass, 0);
  form.ButtonFormatAVI->click();
  EXPECT_EQ(ShownFormat(form, 0), 0);
  EXPECT_EQ(g.OutputVideoFormat, 0);
  EXPECT_EQ(ShownFormat(form, 2), 1);
  EXPECT_EQ(ShownFormat(form, 1), 3);
  form.ImageComboBoxAVIPresets->setCurrentIndex(2);

  // A device format click touches neither the class nor the other pages.
  form.ButtonFormatiPad->click();
  EXPECT_EQ(ShownFormat(form, 1), 6);
  EXPECT_EQ(g.OutputDeviceFormat, 6);
  EXPECT_EQ(ShownClass(form), 0);
  EXPECT_EQ(ShownFormat(form, 0), 0);

  form.ButtonToFormatAudio->click();
  EXPECT_EQ(ShownClass(form), 2);
  EXPECT_EQ(ShownFormat(form, 2), 1);
  EXPECT_EQ(form.ImageComboBoxMP3Presets->ItemIndex(), 0);
  form.ButtonToFormatVideo->click();

  // Next saves what the page shows: the run converts to AVI with the AVI preset picked here,
  // and the MP3 choice is kept for later.
  TypeFolder(form, env.root.dir() + "out");
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step3);
  EXPECT_EQ(g.OutputFormatClass, 0);
  EXPECT_EQ(g.OutputVideoFormat, 0);
  EXPECT_EQ(g.OutputAVIPreset, 2);
  EXPECT_EQ(g.OutputMP3Preset, 0);
  EXPECT_EQ(g.OutputAudioFormat, 1);
  EXPECT_EQ(g.OutputMPEGPreset, 2);
  EXPECT_EQ(g.OutputPSPPreset, 0);
  EXPECT_EQ(g.OutputFileDir, env.root.dir() + "out/");
  EXPECT_TRUE(fs::is_directory(env.root.path() / "out"));
}

TEST(Step2Selection, EveryPresetListIsSavedToItsOwnField) {
  WizardEnv env;
  TFormMain& form = env.Create();
  EnterStep2(form);
  // Each list gets a different item (its last), so a list saved into another format's field
  // shows up.
  for (const convert::TOutputFormat& format : convert::OutputFormats())
    form.PresetList(format.Class, format.Index)
        ->setCurrentIndex(convert::PresetCount(format.Class, format.Index) - 1);
  TypeFolder(form, env.root.dir() + "out");
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step3);
  const TGlobalVars& g = GlobalVars();
  EXPECT_EQ(g.OutputWAVPreset, convert::PresetCount(2, 0) - 1);
  EXPECT_EQ(g.OutputAACPreset, convert::PresetCount(2, 4) - 1);
  EXPECT_EQ(g.OutputM4APreset, convert::PresetCount(2, 5) - 1);
  EXPECT_EQ(g.OutputMP2Preset, convert::PresetCount(2, 7) - 1);
  EXPECT_EQ(g.OutputAVIPreset, convert::PresetCount(0, 0) - 1);
  EXPECT_EQ(g.OutputWMVPreset, convert::PresetCount(0, 6) - 1);
  EXPECT_EQ(g.Output3GPPreset, convert::PresetCount(0, 8) - 1);
  EXPECT_EQ(g.OutputiPodPreset, convert::PresetCount(1, 0) - 1);
  EXPECT_EQ(g.OutputMobilePhonePreset, convert::PresetCount(1, 5) - 1);
  EXPECT_EQ(g.OutputAndroidPreset, convert::PresetCount(1, 7) - 1);

  // Entering Step2 again shows the saved items.
  form.ActivatePage(TWizardPage::Step1);
  EnterStep2(form);
  for (const convert::TOutputFormat& format : convert::OutputFormats()) {
    EXPECT_EQ(form.PresetList(format.Class, format.Index)->ItemIndex(),
              convert::PresetCount(format.Class, format.Index) - 1)
        << format.Name;
  }
}

TEST(Step2Selection, BackKeepsTheClicksButNotTheTypedChoices) {
  WizardEnv env;
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFormatClass = 0;
  g.OutputMP3Preset = 2;
  g.OutputFileDir = env.root.dir() + "stored/";
  EnterStep2(form);

  TypeFolder(form, env.root.dir() + "typed");
  form.ImageComboBoxMP3Presets->setCurrentIndex(1);
  form.ButtonToFormatDevice->click();
  form.ButtonFormatiPad->click();
  form.ActionBackExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step1);
  EXPECT_EQ(g.OutputFileDir, env.root.dir() + "stored/");
  EXPECT_EQ(g.OutputMP3Preset, 2);
  EXPECT_EQ(g.OutputFormatClass, 1);
  EXPECT_EQ(g.OutputDeviceFormat, 6);
  EXPECT_FALSE(fs::exists(env.root.path() / "typed"));

  EnterStep2(form);
  EXPECT_EQ(form.EditOutputDir->text().toStdString(), env.root.dir() + "stored/");
  EXPECT_EQ(form.ImageComboBoxMP3Presets->ItemIndex(), 2);
  EXPECT_EQ(ShownClass(form), 1);
  EXPECT_EQ(ShownFormat(form, 1), 6);
}

TEST(Step2Selection, StoredValuesOutOfRangeSelectNothing) {
  WizardEnv env;
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFormatClass = 3;
  g.OutputVideoFormat = 9;
  g.OutputDeviceFormat = 255;
  g.OutputAudioFormat = 2;
  g.OutputAVIPreset = 40;
  g.OutputWMAPreset = -7;
  g.OutputMP3Preset = 1;
  EnterStep2(form);

  // No class is selected and no format page is shown; every class button can be clicked.
  EXPECT_TRUE(form.RzPageControlToFormat->isHidden());
  for (int c = 0; c < 3; ++c) EXPECT_TRUE(form.ClassButton(c)->isEnabled()) << c;
  // Classes with a format out of range show no format as selected and no preset list.
  for (int c : {0, 1}) {
    for (int f = 0; form.FormatButton(c, f) != nullptr; ++f) {
      EXPECT_TRUE(form.FormatButton(c, f)->isEnabled()) << c << "/" << f;
      EXPECT_TRUE(form.PresetList(c, f)->isHidden()) << c << "/" << f;
    }
  }
  EXPECT_EQ(ShownFormat(form, 2), 2);
  EXPECT_EQ(form.ImageComboBoxAVIPresets->ItemIndex(), -1);
  EXPECT_EQ(form.ImageComboBoxWMAPresets->ItemIndex(), -1);
  EXPECT_EQ(form.ImageComboBoxMP3Presets->ItemIndex(), 1);

  // Next with nothing chosen keeps the class as it is and saves the empty lists as -1.
  TypeFolder(form, env.root.dir() + "out");
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step3);
  EXPECT_EQ(g.OutputFormatClass, 3);
  EXPECT_EQ(g.OutputVideoFormat, 9);
  EXPECT_EQ(g.OutputAVIPreset, -1);
  EXPECT_EQ(g.OutputWMAPreset, -1);
  EXPECT_EQ(g.OutputMP3Preset, 1);

  // Picking a class and a format by hand repairs the selection.
  form.ActivatePage(TWizardPage::Step1);
  EnterStep2(form);
  form.ButtonToFormatVideo->click();
  EXPECT_FALSE(form.RzPageControlToFormat->isHidden());
  EXPECT_EQ(ShownClass(form), 0);
  form.ButtonFormatAVI->click();
  EXPECT_EQ(ShownFormat(form, 0), 0);
  EXPECT_EQ(g.OutputFormatClass, 0);
  EXPECT_EQ(g.OutputVideoFormat, 0);
  EXPECT_EQ(form.ImageComboBoxAVIPresets->ItemIndex(), -1);
}

TEST(Step2Selection, AHiddenFormatStaysSelected) {
  // An edition with AVI and MP3 only: the stored OGG has no button, yet it stays the selection.
  WizardEnv env(OnlyFormats({"AVI", "MP3"}));
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFormatClass = 2;
  g.OutputAudioFormat = 3;
  EnterStep2(form);
  EXPECT_TRUE(form.ButtonFormatOGG->isHidden());
  EXPECT_EQ(ShownFormat(form, 2), 3);
  EXPECT_FALSE(form.ImageComboBoxOGGPresets->isHidden());
  EXPECT_TRUE(form.ButtonFormatMP3->isEnabled());
  TypeFolder(form, env.root.dir() + "out");
  form.ActionNextExecute();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Step3);
  EXPECT_EQ(g.OutputAudioFormat, 3);
}

TEST(Step2Folder, FolderThatCannotBeMadeIsRefused) {
  WizardEnv env;
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFileDir = env.root.dir() + "stored/";
  EnterStep2(form);

  // Below a plain file no folder can be made: the notice, Step2 stays, the file is untouched.
  WriteFile(env.root / "plain", "keep");
  TypeFolder(form, env.root.dir() + "plain/out");
  form.ActionNextExecute();
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
  ASSERT_EQ(env.fake.Texts(MessageKind::Information), std::vector<std::string>{kFolderNotice});
  EXPECT_EQ(ReadFile(env.root / "plain"), "keep");

  // A blank folder is refused too, and does not replace the stored folder.
  g.OutputFileDir = env.root.dir() + "stored/";
  for (const char* blank : {"", "   "}) {
    TypeFolder(form, blank);
    form.ActionNextExecute();
    EXPECT_EQ(form.ActivePage(), TWizardPage::Step2);
    EXPECT_EQ(env.fake.Texts(MessageKind::Information).back(), kFolderNotice);
    EXPECT_EQ(g.OutputFileDir, env.root.dir() + "stored/");
  }
  EXPECT_EQ(env.fake.Texts(MessageKind::Information).size(), 3u);
}

TEST(Step2Folder, SelectDirStoresTheChosenFolderAtOnce) {
  WizardEnv env;
  TFormMain& form = env.Create();
  TGlobalVars& g = GlobalVars();
  g.OutputFileDir = env.root.dir() + "stored/";
  EnterStep2(form);
  TypeFolder(form, env.root.dir() + "typed");

  // Cancel, and a dialog that confirms no folder: nothing changes.
  env.fake.folder_answers = {std::nullopt, std::string()};
  form.ButtonSelectDir->click();
  form.ButtonSelectDir->click();
  ASSERT_EQ(env.fake.folder_requests.size(), 2u);
  const FakePlatform::FolderRequest& request = env.fake.folder_requests[0];
  EXPECT_EQ(request.owner, &form);
  EXPECT_EQ(request.start, env.root.dir() + "stored/");
  EXPECT_EQ(request.title, "Please select a folder");
  EXPECT_EQ(request.options, 65);
  EXPECT_EQ(request.root, "");
  EXPECT_EQ(form.EditOutputDir->text().toStdString(), env.root.dir() + "typed");
  EXPECT_EQ(g.OutputFileDir, env.root.dir() + "stored/");

  // A chosen folder lands in the edit with a trailing "/" and is stored at once: Back keeps it.
  env.fake.folder_answers = {env.root.dir() + "chosen"};
  form.ButtonSelectDir->click();
  EXPECT_EQ(form.EditOutputDir->text().toStdString(), env.root.dir() + "chosen/");
  EXPECT_EQ(g.OutputFileDir, env.root.dir() + "chosen/");
  form.ActionBackExecute();
  EXPECT_EQ(g.OutputFileDir, env.root.dir() + "chosen/");
  EnterStep2(form);
  EXPECT_EQ(form.EditOutputDir->text().toStdString(), env.root.dir() + "chosen/");

  // The next dialog starts at the stored folder; a folder that ends in "/" keeps one.
  env.fake.folder_answers = {std::string("/")};
  form.ButtonSelectDir->click();
  EXPECT_EQ(env.fake.folder_requests.back().start, env.root.dir() + "chosen/");
  EXPECT_EQ(g.OutputFileDir, "/");
}

}  // namespace
}  // namespace tallowin::test
