// Operations of the subsystems that the wizard's transitions call but that are built with their
// own subsystems: the conversion run, the video links and the download queue.
// Until a subsystem exists its operations here do no work, so a transition only changes the page.
// When a subsystem is built, its operations move out of this file into the subsystem's own files
// (src/convert, src/download).
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "shell/global_vars.h"
#include "shell/util_funcs.h"
#include "wizard/form_main.h"

namespace tallowin {

// ---- Conversion run ----
void TFormMain::WireConversionRun() {}
void TFormMain::StartConversionRun() {}
void TFormMain::FinishConversionRun() {}
void TFormMain::ShowConversionSummary() {}

// ---- Video links and download queue ----
void TFormMain::SetupLinkPage() {
  const TGlobalVars& g = GlobalVars();
  EditURLOutput->setText(QString::fromStdString(g.OutputURLDir));
  CheckBoxYouTubeQuality->setChecked(g.PreferYouTubeQuality);
  ButtonYouTubeQualityConfig->setEnabled(g.PreferYouTubeQuality);
}
void TFormMain::ReadBackLinkPage() {
  TGlobalVars& g = GlobalVars();
  g.OutputURLDir = WithTrailingBackslash(EditURLOutput->text().toStdString());
  g.PreferYouTubeQuality = CheckBoxYouTubeQuality->isChecked();
}

}  // namespace tallowin
