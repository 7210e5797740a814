// The controls of Step2: output folder, the class buttons and the three format pages with their
// format buttons and stacked preset lists.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <iterator>

#include "convert/output_formats.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "wizard/form_main.h"
#include "wizard/page_widgets.h"

namespace tallowin {

using wizard::MakeButton;
using wizard::MakeCard;
using wizard::MakeLabel;

namespace {

// Fields of TFormMain that hold each format's button and preset list, in format order.
struct FormatMembers {
  ui::TPictureButton* TFormMain::*button;
  ui::TImageComboBox* TFormMain::*presets;
};

const FormatMembers kVideoMembers[] = {
    {&TFormMain::ButtonFormatAVI, &TFormMain::ImageComboBoxAVIPresets},
    {&TFormMain::ButtonFormatMP4, &TFormMain::ImageComboBoxMP4Presets},
    {&TFormMain::ButtonFormatFLV, &TFormMain::ImageComboBoxFLVPresets},
    {&TFormMain::ButtonFormatSWF, &TFormMain::ImageComboBoxSWFPresets},
    {&TFormMain::ButtonFormatMPEG, &TFormMain::ImageComboBoxMPEGPresets},
    {&TFormMain::ButtonFormatRM, &TFormMain::ImageComboBoxRMPresets},
    {&TFormMain::ButtonFormatWMV, &TFormMain::ImageComboBoxWMVPresets},
    {&TFormMain::ButtonFormatMOV, &TFormMain::ImageComboBoxMOVPresets},
    {&TFormMain::ButtonFormat3GP, &TFormMain::ImageComboBox3GPPresets},
};
const FormatMembers kDeviceMembers[] = {
    {&TFormMain::ButtonFormatiPod, &TFormMain::ImageComboBoxiPodPresets},
    {&TFormMain::ButtonFormatiPhone, &TFormMain::ImageComboBoxiPhonePresets},
    {&TFormMain::ButtonFormatAppleTV, &TFormMain::ImageComboBoxAppleTVPresets},
    {&TFormMain::ButtonFormatPSP, &TFormMain::ImageComboBoxPSPPresets},
    {&TFormMain::ButtonFormatBlackBerry, &TFormMain::ImageComboBoxBlackBerryPresets},
    {&TFormMain::ButtonFormatMobilePhone, &TFormMain::ImageComboBoxMobilePhonePresets},
    {&TFormMain::ButtonFormatiPad, &TFormMain::ImageComboBoxiPadPresets},
    {&TFormMain::ButtonFormatAndroid, &TFormMain::ImageComboBoxAndroidPresets},
};
const FormatMembers kAudioMembers[] = {
    {&TFormMain::ButtonFormatWAV, &TFormMain::ImageComboBoxWAVPresets},
    {&TFormMain::ButtonFormatMP3, &TFormMain::ImageComboBoxMP3Presets},
    {&TFormMain::ButtonFormatWMA, &TFormMain::ImageComboBoxWMAPresets},
    {&TFormMain::ButtonFormatOGG, &TFormMain::ImageComboBoxOGGPresets},
    {&TFormMain::ButtonFormatAAC, &TFormMain::ImageComboBoxAACPresets},
    {&TFormMain::ButtonFormatM4A, &TFormMain::ImageComboBoxM4APresets},
    {&TFormMain::ButtonFormatFLAC, &TFormMain::ImageComboBoxFLACPresets},
    {&TFormMain::ButtonFormatMP2, &TFormMain::ImageComboBoxMP2Presets},
};

}  // namespace

void TFormMain::BuildStep2Page() {
  QWidget* page = TabSheetStep2;
  QFrame* card = MakeCard(page, QRect(0, 0, 555, 96));
  LabelOutputDir = MakeLabel(card, "LabelOutputDir", "Output directory:", "caption");
  LabelOutputDir->setGeometry(18, 14, 300, 18);
  EditOutputDir = new QLineEdit(card);
  EditOutputDir->setObjectName("EditOutputDir");
  EditOutputDir->setGeometry(18, 40, 410, 30);
  ButtonSelectDir = MakeButton(card, "ButtonSelectDir", "Select...");
  ButtonSelectDir->setGeometry(438, 40, 98, 30);

  LabelConvertTo = MakeLabel(page, "LabelConvertTo", "Convert to:", "caption");
  LabelConvertTo->setGeometry(18, 110, 300, 18);
  auto class_button = [page](const char* name, const QString& caption,
                             ui::TPictureButton::Glyph glyph) {
    auto* button = new ui::TPictureButton(page);
    button->setObjectName(name);
    button->SetLook(ui::TPictureButton::Look::Segment);
    button->SetGlyph(glyph);
    button->setText(caption);
    button->resize(171, 32);
    return button;
  };
  ButtonToFormatVideo =
      class_button("ButtonToFormatVideo", "Video", ui::TPictureButton::Glyph::Video);
  ButtonToFormatDevice =
      class_button("ButtonToFormatDevice", "Device", ui::TPictureButton::Glyph::Device);
  ButtonToFormatAudio =
      class_button("ButtonToFormatAudio", "Audio", ui::TPictureButton::Glyph::Audio);
  // The product configuration places them; this is the design position.
  ButtonToFormatVideo->move(18, 135);
  ButtonToFormatDevice->move(189, 135);
  ButtonToFormatAudio->move(360, 135);

  RzPageControlToFormat = new ui::TPageControl(page);
  RzPageControlToFormat->setObjectName("RzPageControlToFormat");
  RzPageControlToFormat->setGeometry(0, 172, 555, 186);
  RzPageControlToFormat->setStyleSheet(
      "#TabSheetToFormatVideo, #TabSheetToFormatDevice, #TabSheetToFormatAudio {"
      " background: #FFFFFF; border: 1px solid #E2E8F0; border-radius: 10px; }");
  TabSheetToFormatVideo = RzPageControlToFormat->AddPage("Video", "TabSheetToFormatVideo");
  TabSheetToFormatDevice = RzPageControlToFormat->AddPage("Device", "TabSheetToFormatDevice");
  TabSheetToFormatAudio = RzPageControlToFormat->AddPage("Audio", "TabSheetToFormatAudio");
  for (ui::TTabSheet* sheet :
       {TabSheetToFormatVideo, TabSheetToFormatDevice, TabSheetToFormatAudio}) {
    sheet->setAttribute(Qt::WA_StyledBackground);
  }
  BuildFormatPage(0);
  BuildFormatPage(1);
  BuildFormatPage(2);
}

void TFormMain::BuildFormatPage(int format_class) {
  ui::TTabSheet* sheet = FormatPage(format_class);
  const FormatMembers* members = format_class == 0   ? kVideoMembers
                                 : format_class == 1 ? kDeviceMembers
                                                     : kAudioMembers;
  using Glyph = ui::TPictureButton::Glyph;
  // Each device has a picture of its own kind; video and audio formats share their class's.
  static const Glyph kDeviceGlyphs[] = {
      Glyph::MusicPlayer,   Glyph::SmartPhone,   Glyph::TvBox,  Glyph::Handheld,
      Glyph::KeyboardPhone, Glyph::FeaturePhone, Glyph::Tablet, Glyph::Robot};
  const std::span<const convert::TOutputFormat> formats = convert::OutputFormats(format_class);
  const int count = static_cast<int>(formats.size());
  for (int i = 0; i < count; ++i) {
    auto* button = new ui::TPictureButton(sheet);
    button->setObjectName(QString("ButtonFormat") + formats[i].Name);
    button->SetLook(ui::TPictureButton::Look::Tile);
    button->SetGlyph(format_class == 0   ? Glyph::Video
                     : format_class == 1 ? kDeviceGlyphs[i % std::size(kDeviceGlyphs)]
                                         : Glyph::Audio);
    button->setText(QString(formats[i].Caption));
    button->setToolTip(QString(formats[i].Caption));
    button->resize(62, 57);
    // Design position: one row of cells; the product configuration packs them.
    button->move(10 + (i % 8) * 64, 5 + (i / 8) * 60);
    this->*(members[i].button) = button;
    format_buttons_[format_class].push_back(button);
  }
  QLabel* presets_label = MakeLabel(sheet,
                                    format_class == 0   ? "LabelPresetsVideo"
                                    : format_class == 1 ? "LabelPresetsDevice"
                                                        : "LabelPresetsAudio",
                                    "Presets:", "caption");
  presets_label->setGeometry(kStep2Margin, 145, 70, 20);
  (format_class == 0   ? LabelPresetsVideo
   : format_class == 1 ? LabelPresetsDevice
                       : LabelPresetsAudio) = presets_label;
  for (int i = 0; i < count; ++i) {
    auto* list = new ui::TImageComboBox(sheet);
    list->setObjectName(QString("ImageComboBox") + formats[i].Name + "Presets");
    // All lists of a class lie on top of each other; the chosen format's list is in front.
    list->setGeometry(90, 140, RzPageControlToFormat->width() - 90 - kStep2Margin, 30);
    this->*(members[i].presets) = list;
    preset_lists_[format_class].push_back(list);
  }
}

ui::TTabSheet* TFormMain::FormatPage(int format_class) const {
  switch (format_class) {
    case 0:
      return TabSheetToFormatVideo;
    case 1:
      return TabSheetToFormatDevice;
    case 2:
      return TabSheetToFormatAudio;
    default:
      return nullptr;
  }
}

ui::TPictureButton* TFormMain::ClassButton(int format_class) const {
  switch (format_class) {
    case 0:
      return ButtonToFormatVideo;
    case 1:
      return ButtonToFormatDevice;
    case 2:
      return ButtonToFormatAudio;
    default:
      return nullptr;
  }
}

ui::TPictureButton* TFormMain::FormatButton(int format_class, int index) const {
  if (format_class < 0 || format_class > 2) return nullptr;
  const auto& buttons = format_buttons_[format_class];
  return index >= 0 && index < static_cast<int>(buttons.size()) ? buttons[index] : nullptr;
}

ui::TImageComboBox* TFormMain::PresetList(int format_class, int index) const {
  if (format_class < 0 || format_class > 2) return nullptr;
  const auto& lists = preset_lists_[format_class];
  return index >= 0 && index < static_cast<int>(lists.size()) ? lists[index] : nullptr;
}

}  // namespace tallowin
