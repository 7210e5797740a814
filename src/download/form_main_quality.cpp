// The quality controls on Step5: the preference check box, the summary line and the dialog that
// orders the quality types.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "download/form_youtube_hq.h"
#include "download/quality.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "wizard/form_main.h"

namespace tallowin {

void TFormMain::CheckBoxYouTubeQualityClick() {
  const bool prefer = CheckBoxYouTubeQuality->isChecked();
  ButtonYouTubeQualityConfig->setEnabled(prefer);
  // The setting itself changes at read-back; the line follows the box at once.
  LabelYouTubeQuality->setText(
      QString::fromStdString(download::PreferenceSummary(prefer, GlobalVars())));
}

void TFormMain::ButtonYouTubeQualityConfigClick() {
  TGlobalVars& g = GlobalVars();
  TFormYouTubeHQ dialog(g, this);
  dialog.CentreOver(*this);
  dialog.FillList(download::PreferenceOrder(g));
  if (Platform().ExecDialog(dialog) != QDialog::Accepted) return;
  // Always all eight types, each once, whatever the settings file held before.
  download::StorePreferenceOrder(g, dialog.ListOrder());
  LabelYouTubeQuality->setText(
      QString::fromStdString(download::PreferenceSummary(CheckBoxYouTubeQuality->isChecked(), g)));
}

}  // namespace tallowin
