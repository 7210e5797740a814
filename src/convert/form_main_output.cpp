// The output selection on Step2: the class and format buttons (the selected one is shown
// disabled), the stacked preset lists filled from the catalogue, the output folder, and the two
// routines that move the selection between TGlobalVars and the controls.
#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <span>
#include <string>

#include "convert/output_selection.h"
#include "convert/preset_catalogue.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/util_funcs.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "wizard/form_main.h"

namespace tallowin {

namespace {

constexpr char kSelectFolderTitle[] = "Please select a folder";

using PresetField = int32_t TGlobalVars::*;
using Handler = void (TFormMain::*)();

// The remembered preset of each format, in format order per class.
const PresetField kVideoPresets[] = {
    &TGlobalVars::OutputAVIPreset, &TGlobalVars::OutputMP4Preset,  &TGlobalVars::OutputFLVPreset,
    &TGlobalVars::OutputSWFPreset, &TGlobalVars::OutputMPEGPreset, &TGlobalVars::OutputRMPreset,
    &TGlobalVars::OutputWMVPreset, &TGlobalVars::OutputMOVPreset,  &TGlobalVars::Output3GPPreset,
};
const PresetField kDevicePresets[] = {
    &TGlobalVars::OutputiPodPreset,       &TGlobalVars::OutputiPhonePreset,
    &TGlobalVars::OutputAppleTVPreset,    &TGlobalVars::OutputPSPPreset,
    &TGlobalVars::OutputBlackBerryPreset, &TGlobalVars::OutputMobilePhonePreset,
    &TGlobalVars::OutputiPadPreset,       &TGlobalVars::OutputAndroidPreset,
};
const PresetField kAudioPresets[] = {
    &TGlobalVars::OutputWAVPreset,  &TGlobalVars::OutputMP3Preset, &TGlobalVars::OutputWMAPreset,
    &TGlobalVars::OutputOGGPreset,  &TGlobalVars::OutputAACPreset, &TGlobalVars::OutputM4APreset,
    &TGlobalVars::OutputFLACPreset, &TGlobalVars::OutputMP2Preset,
};

// The handler of each format button, in format order per class.
const Handler kVideoHandlers[] = {
    &TFormMain::ButtonFormatAVIClick,  &TFormMain::ButtonFormatMP4Click,
    &TFormMain::ButtonFormatFLVClick,  &TFormMain::ButtonFormatSWFClick,
    &TFormMain::ButtonFormatMPEGClick, &TFormMain::ButtonFormatRMClick,
    &TFormMain::ButtonFormatWMVClick,  &TFormMain::ButtonFormatMOVClick,
    &TFormMain::ButtonFormat3GPClick,
};
const Handler kDeviceHandlers[] = {
    &TFormMain::ButtonFormatiPodClick,       &TFormMain::ButtonFormatiPhoneClick,
    &TFormMain::ButtonFormatAppleTVClick,    &TFormMain::ButtonFormatPSPClick,
    &TFormMain::ButtonFormatBlackBerryClick, &TFormMain::ButtonFormatMobilePhoneClick,
    &TFormMain::ButtonFormatiPadClick,       &TFormMain::ButtonFormatAndroidClick,
};
const Handler kAudioHandlers[] = {
    &TFormMain::ButtonFormatWAVClick,  &TFormMain::ButtonFormatMP3Click,
    &TFormMain::ButtonFormatWMAClick,  &TFormMain::ButtonFormatOGGClick,
    &TFormMain::ButtonFormatAACClick,  &TFormMain::ButtonFormatM4AClick,
    &TFormMain::ButtonFormatFLACClick, &TFormMain::ButtonFormatMP2Click,
};
const Handler kClassHandlers[] = {
    &TFormMain::ButtonToFormatVideoClick,
    &TFormMain::ButtonToFormatDeviceClick,
    &TFormMain::ButtonToFormatAudioClick,
};

static_assert(std::size(kVideoPresets) == kVideoFormatCount);
static_assert(std::size(kDevicePresets) == kDeviceFormatCount);
static_assert(std::size(kAudioPresets) == kAudioFormatCount);
static_assert(std::size(kVideoHandlers) == kVideoFormatCount);
static_assert(std::size(kDeviceHandlers) == kDeviceFormatCount);
static_assert(std::size(kAudioHandlers) == kAudioFormatCount);

std::span<const PresetField> PresetFields(int format_class) {
  switch (format_class) {
    case 0:
      return kVideoPresets;
    case 1:
      return kDevicePresets;
    case 2:
      return kAudioPresets;
    default:
      return {};
  }
}

std::span<const Handler> FormatHandlers(int format_class) {
  switch (format_class) {
    case 0:
      return kVideoHandlers;
    case 1:
      return kDeviceHandlers;
    case 2:
      return kAudioHandlers;
    default:
      return {};
  }
}

// The field that remembers the selected format of a class.
uint8_t* FormatField(TGlobalVars& g, int format_class) {
  switch (format_class) {
    case 0:
      return &g.OutputVideoFormat;
    case 1:
      return &g.OutputDeviceFormat;
    case 2:
      return &g.OutputAudioFormat;
    default:
      return nullptr;
  }
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

int convert::SelectedFormat(const TGlobalVars& g) {
  switch (g.OutputFormatClass) {
    case 0:
      return g.OutputVideoFormat;
    case 1:
      return g.OutputDeviceFormat;
    case 2:
      return g.OutputAudioFormat;
    default:
      return -1;
  }
}

int convert::SelectedPreset(const TGlobalVars& g) {
  const std::span<const PresetField> fields = PresetFields(g.OutputFormatClass);
  const int format = SelectedFormat(g);
  if (format < 0 || format >= static_cast<int>(fields.size())) return -1;
  return g.*fields[format];
}

void TFormMain::WireOutputSelection() {
  for (int c = 0; c < 3; ++c) {
    connect(ClassButton(c), &QAbstractButton::clicked, this, kClassHandlers[c]);
    const std::span<const Handler> handlers = FormatHandlers(c);
    for (int f = 0; f < static_cast<int>(handlers.size()); ++f) {
      if (ui::TPictureButton* button = FormatButton(c, f))
        connect(button, &QAbstractButton::clicked, this, handlers[f]);
    }
  }
  connect(ButtonSelectDir, &QPushButton::clicked, this, &TFormMain::ButtonSelectDirClick);
  // Long descriptions do not fit the closed list: its tip shows the selected one whole.
  for (int c = 0; c < 3; ++c) {
    for (ui::TImageComboBox* list : preset_lists_[c]) {
      connect(list, &QComboBox::currentIndexChanged, list,
              [list] { list->setToolTip(list->currentText()); });
    }
  }
}

void TFormMain::FillPresetLists() {
  for (const convert::TPresetList& presets : convert::FillPresetLists()) {
    ui::TImageComboBox* list = PresetList(presets.Class, presets.Format);
    if (list == nullptr) continue;
    list->clear();
    for (const std::string& description : presets.Descriptions)
      list->AddItem(QString::fromStdString(description));
  }
}

// ---- Class and format buttons ----------------------------------------------------------------

void TFormMain::ButtonToFormatClick(int format_class) {
  ui::TTabSheet* page = FormatPage(format_class);
  if (page == nullptr) return;
  for (int c = 0; c < 3; ++c) ClassButton(c)->setEnabled(c != format_class);
  RzPageControlToFormat->SetActivePage(page);
  RzPageControlToFormat->show();
  GlobalVars().OutputFormatClass = static_cast<uint8_t>(format_class);
}

void TFormMain::ButtonFormatClick(int format_class, int format) {
  ui::TPictureButton* chosen = FormatButton(format_class, format);
  if (chosen == nullptr) return;
  for (ui::TPictureButton* button : format_buttons_[format_class])
    button->setEnabled(button != chosen);
  // The lists of a class lie on top of each other; only the chosen format's list is shown.
  ui::TImageComboBox* front = PresetList(format_class, format);
  for (ui::TImageComboBox* list : preset_lists_[format_class]) list->setVisible(list == front);
  front->raise();
  *FormatField(GlobalVars(), format_class) = static_cast<uint8_t>(format);
}

void TFormMain::ButtonToFormatVideoClick() {
  ButtonToFormatClick(0);
}
void TFormMain::ButtonToFormatDeviceClick() {
  ButtonToFormatClick(1);
}
void TFormMain::ButtonToFormatAudioClick() {
  ButtonToFormatClick(2);
}

void TFormMain::ButtonFormatAVIClick() {
  ButtonFormatClick(0, 0);
}
void TFormMain::ButtonFormatMP4Click() {
  ButtonFormatClick(0, 1);
}
void TFormMain::ButtonFormatFLVClick() {
  ButtonFormatClick(0, 2);
}
void TFormMain::ButtonFormatSWFClick() {
  ButtonFormatClick(0, 3);
}
void TFormMain::ButtonFormatMPEGClick() {
  ButtonFormatClick(0, 4);
}
void TFormMain::ButtonFormatRMClick() {
  ButtonFormatClick(0, 5);
}
void TFormMain::ButtonFormatWMVClick() {
  ButtonFormatClick(0, 6);
}
void TFormMain::ButtonFormatMOVClick() {
  ButtonFormatClick(0, 7);
}
void TFormMain::ButtonFormat3GPClick() {
  ButtonFormatClick(0, 8);
}

void TFormMain::ButtonFormatiPodClick() {
  ButtonFormatClick(1, 0);
}
void TFormMain::ButtonFormatiPhoneClick() {
  ButtonFormatClick(1, 1);
}
void TFormMain::ButtonFormatAppleTVClick() {
  ButtonFormatClick(1, 2);
}
void TFormMain::ButtonFormatPSPClick() {
  ButtonFormatClick(1, 3);
}
void TFormMain::ButtonFormatBlackBerryClick() {
  ButtonFormatClick(1, 4);
}
void TFormMain::ButtonFormatMobilePhoneClick() {
  ButtonFormatClick(1, 5);
}
void TFormMain::ButtonFormatiPadClick() {
  ButtonFormatClick(1, 6);
}
void TFormMain::ButtonFormatAndroidClick() {
  ButtonFormatClick(1, 7);
}

void TFormMain::ButtonFormatWAVClick() {
  ButtonFormatClick(2, 0);
}
void TFormMain::ButtonFormatMP3Click() {
  ButtonFormatClick(2, 1);
}
void TFormMain::ButtonFormatWMAClick() {
  ButtonFormatClick(2, 2);
}
void TFormMain::ButtonFormatOGGClick() {
  ButtonFormatClick(2, 3);
}
void TFormMain::ButtonFormatAACClick() {
  ButtonFormatClick(2, 4);
}
void TFormMain::ButtonFormatM4AClick() {
  ButtonFormatClick(2, 5);
}
void TFormMain::ButtonFormatFLACClick() {
  ButtonFormatClick(2, 6);
}
void TFormMain::ButtonFormatMP2Click() {
  ButtonFormatClick(2, 7);
}

// ---- Output folder ---------------------------------------------------------------------------

void TFormMain::ButtonSelectDirClick() {
  TGlobalVars& g = GlobalVars();
  std::string folder = g.OutputFileDir;
  if (!Platform().BrowseForFolder(this, folder, kSelectFolderTitle, kBrowseDefaultOptions, ""))
    return;
  // A dialog that confirms without a folder changes nothing.
  if (IsBlank(folder)) return;
  EditOutputDir->setText(QString::fromStdString(WithTrailingBackslash(folder)));
  g.OutputFileDir = EditOutputDir->text().toStdString();
}

// ---- The selection in and out of the controls ------------------------------------------------

void TFormMain::LoadOutputSelection() {
  const TGlobalVars& g = GlobalVars();
  EditOutputDir->setText(QString::fromStdString(g.OutputFileDir));
  // The handlers run whether or not their buttons are shown; a stored value outside its range
  // (an edited settings file) selects nothing. Without a class no format page is shown, so that
  // a format cannot be picked on a page that does not belong to the selected class.
  RzPageControlToFormat->setVisible(FormatPage(g.OutputFormatClass) != nullptr);
  if (g.OutputFormatClass < std::size(kClassHandlers))
    (this->*kClassHandlers[g.OutputFormatClass])();
  for (const int c : {2, 0, 1}) {
    const int format = *FormatField(GlobalVars(), c);
    const std::span<const Handler> handlers = FormatHandlers(c);
    if (format < static_cast<int>(handlers.size())) {
      (this->*handlers[format])();
    } else {
      // No format selected: no preset list of the class is shown either.
      for (ui::TImageComboBox* list : preset_lists_[c]) list->hide();
    }
  }
  for (int c = 0; c < 3; ++c) {
    const std::span<const PresetField> fields = PresetFields(c);
    for (int f = 0; f < static_cast<int>(fields.size()); ++f)
      PresetList(c, f)->SetItemIndex(g.*fields[f]);
  }
}

void TFormMain::SaveOutputSelection() {
  TGlobalVars& g = GlobalVars();
  // A blank folder names no folder: the stored one is kept and Next refuses the blank text.
  const std::string typed = ExpandHomeFolder(EditOutputDir->text().toStdString());
  if (!IsBlank(typed)) g.OutputFileDir = WithTrailingBackslash(typed);
  for (int c = 0; c < 3; ++c) {
    const std::span<const PresetField> fields = PresetFields(c);
    for (int f = 0; f < static_cast<int>(fields.size()); ++f)
      g.*fields[f] = PresetList(c, f)->ItemIndex();
  }
}

}  // namespace tallowin
