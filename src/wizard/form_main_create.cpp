// Start-up of the main window: FormCreate and the product configuration applied to the window
// (skin pictures, skin layout, format and class button packing).
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <exception>
#include <map>
#include <stdexcept>

#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/product_config.h"
#include "shell/user_settings.h"
#include "shell/util_funcs.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_file.h"
#include "ui/picture_label.h"
#include "wizard/form_main.h"
#include "wizard/skin_layout.h"
#include "wizard/window_messages.h"

namespace tallowin {

namespace {

QString WithTitle(const QString& format, const std::string& title) {
  QString text = format;
  return text.replace("%s", QString::fromStdString(title));
}

// The picture that stands for an audio-only file in the input list.
QPixmap AudioIconPicture() {
  QPixmap picture(128, 88);
  picture.fill(QColor(0x1E, 0x29, 0x3B));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x93, 0xC5, 0xFD);
  painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(ink);
  painter.drawEllipse(QPointF(54, 60), 8, 6.5);
  painter.drawEllipse(QPointF(80, 55), 8, 6.5);
  painter.drawLine(QPointF(61, 60), QPointF(61, 26));
  painter.drawLine(QPointF(87, 55), QPointF(87, 21));
  painter.drawLine(QPointF(61, 26), QPointF(87, 21));
  painter.drawLine(QPointF(61, 33), QPointF(87, 28));
  return picture;
}

}  // namespace

QPixmap TFormMain::TopLogoWithName(const QPixmap& mark, const QString& name) {
  // The picture holds the mark at its left; the product name follows it in white, as the
  // skin's title band is drawn for (bold, 15 pixels, from x 44, cut with "…" at the end).
  QPixmap logo = mark;
  if (logo.isNull() || name.isEmpty()) return logo;
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(15);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QRect room(kTopLogoNameLeft, 0, logo.width() - kTopLogoNameLeft - 4, logo.height());
  painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft,
                   painter.fontMetrics().elidedText(name, Qt::ElideRight, room.width()));
  return logo;
}

void TFormMain::FormCreate() {
  TGlobalVars& g = GlobalVars();
  try {
    ApplyProductConfiguration();
  } catch (const std::exception& error) {
    // The rest of the start-up is skipped; the program ends after the message.
    create_error_ = error.what();
    Platform().ShowError(create_error_);
    return;
  }
  if (IsEditionTitle(g.AppTitle)) {
    LabelVersion->hide();
    LabelMoreTools->hide();
    ButtonHelp->hide();
    ButtonLog->hide();
  }
  g.UserDataDir = DetermineUserDataDir(g.AppTitle);
  ApplyStartupDefaults(g);
  std::string settings_error;
  const bool settings_existed = LoadUserSettings(&settings_error);
  if (!settings_error.empty()) LogLine(settings_error);
  settings_loaded_ = true;
  if (!settings_existed) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->geometry();
      move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
  }
  ImageAudioIcon->SetPicture(AudioIconPicture());
  FillPresetLists();
  setAcceptDrops(true);
  RestoreWindowPosition("Form", this);
  UpdatePageCaptions();
  if (!LoadMediaLibraries()) {
    // Without the media libraries the window still comes up, so that the user can read the
    // reason in the log; the clipboard watch and the page choice are skipped.
    PostWindowMessage(WM_APP_SHOW);
    return;
  }
  StartClipboardWatch();
  ActivatePage(g.DownloadEnabled ? TWizardPage::Mode : TWizardPage::Step1);
  UpdatePageCaptions();
  PostWindowMessage(WM_APP_SHOW);
}

bool TFormMain::LoadMediaLibraries() {
  if (FFEncoder.LibrariesLoaded() || FFEncoder.LoadLibraries(program_dir_ + "lib/")) return true;
  LogLine(FFEncoder.LastErrMsg());
  return false;
}

void TFormMain::ApplyProductConfiguration() {
  TGlobalVars& g = GlobalVars();
  setWindowTitle(QString::fromStdString(g.AppTitle));
  LabelFinishTitle1->setText(WithTitle(LabelFinishTitle1->text(), g.AppTitle));
  LabelFinishTitle2->setText(WithTitle(LabelFinishTitle2->text(), g.AppTitle));
  LabelFinishedDownloading1->setText(WithTitle(LabelFinishedDownloading1->text(), g.AppTitle));
  LabelFinishedDownloading2->setText(WithTitle(LabelFinishedDownloading2->text(), g.AppTitle));

  LoadProductConfiguration(program_dir_ + "lamecore.dll", g);
  g.ResourceDir = WithTrailingBackslash(program_dir_ + "sounds/" + g.ResFolder);
  LabelVersion->setText(QString::fromStdString("Version: " + g.Version));

  LoadSkinPictures();
  ApplySkinLayout();
  PackFormatButtons();
  ApplyDefaultSelection(g);
}

void TFormMain::LoadSkinPictures() {
  const std::string& dir = GlobalVars().ResourceDir;
  std::map<std::string, QPixmap> pictures;
  for (const char* name : kSkinImageFiles) {
    QPixmap picture;
    std::string error;
    if (!ui::LoadPictureFile(dir + name, picture, error)) throw std::runtime_error(error);
    pictures[name] = picture;
  }
  ImageTopLogo->SetPicture(
      TopLogoWithName(pictures["toplogo.png"], QString::fromStdString(GlobalVars().AppTitle)));
  ImageTopLogo->setAccessibleName(QString::fromStdString(GlobalVars().AppTitle));
  ImageLeftLogo->SetPicture(pictures["leftlogo.png"]);
  ImageDownloadVideo->setPixmap(pictures["downloadyoutube.png"]);
  ImageConvertVideo->setPixmap(pictures["youtubeconvert.png"]);
  SetSkinPicture(pictures["main.bmp"], QColor(0xFF, 0x00, 0xFF));
  ButtonMin->SetPictures(pictures["min_1.bmp"], pictures["min_2.bmp"], pictures["min_3.bmp"]);
  ButtonClose->SetPictures(pictures["close_1.bmp"], pictures["close_2.bmp"],
                           pictures["close_3.bmp"]);
  for (ui::TPictureButton* button : {ButtonHelp, ButtonLog, ButtonBack, ButtonNext, ButtonExit}) {
    button->SetPictures(pictures["bottom_1.bmp"], pictures["bottom_2.bmp"],
                        pictures["bottom_3.bmp"], pictures["bottom_4.bmp"]);
  }
}

void TFormMain::ApplySkinLayout() {
  const SkinLayout layout = SkinLayoutFor(GlobalVars().Skin);
  if (layout.window_buttons_visible) {
    ButtonMin->move(layout.min);
    ButtonClose->move(layout.close);
  } else {
    ButtonMin->hide();
    ButtonClose->hide();
  }
  ButtonHelp->move(layout.help);
  ButtonLog->move(layout.log);
  ButtonBack->move(layout.back);
  ButtonNext->move(layout.next);
  ButtonExit->move(layout.exit);
  PageControlMain->move(layout.pages);
  LabelTitle->setGeometry(layout.title.x(), layout.title.y(), width() - layout.title.x() - 16,
                          LabelTitle->height());
  QFont title_font = LabelTitle->font();
  title_font.setBold(!layout.title_regular);
  LabelTitle->setFont(title_font);
  LabelTitle->setStyleSheet(layout.title_regular ? "font-weight: normal;" : "font-weight: bold;");
  const QString colour = layout.label_colour.name();
  LabelVersion->setStyleSheet("color: " + colour + ";");
  LabelMoreTools->setStyleSheet("color: " + colour + "; text-decoration: underline;");
  if (layout.labels_top_version >= 0) {
    LabelVersion->move(LabelVersion->x(), layout.labels_top_version);
    LabelMoreTools->move(LabelMoreTools->x(), layout.labels_top_more_tools);
    LabelVersion->raise();
    LabelMoreTools->raise();
  }
  for (ui::TPictureButton* button : {ButtonHelp, ButtonLog, ButtonBack, ButtonNext, ButtonExit}) {
    button->SetTransparent(layout.transparent_bottom_buttons);
    if (layout.transparent_bottom_buttons) button->SetCaptionColor(Qt::white);
  }
  help_menu_offset_ = layout.help_menu_offset;
}

void TFormMain::PackFormatButtons() {
  const TGlobalVars& g = GlobalVars();
  const int page_width = RzPageControlToFormat->width();
  auto enabled = [&g](int c, int i) {
    return c == 0   ? g.VideoFormatEnabled[i]
           : c == 1 ? g.DeviceFormatEnabled[i]
                    : g.AudioFormatEnabled[i];
  };
  // One grid for the three pages: the fullest page's buttons fit one row between the page's
  // margins, and every page uses the same cells, so the buttons line up with the labels above.
  int widest_row = 1;
  for (int c = 0; c < 3; ++c) {
    int count = 0;
    for (int i = 0; i < static_cast<int>(format_buttons_[c].size()); ++i) count += enabled(c, i);
    widest_row = std::max(widest_row, count);
  }
  const int row_width = page_width - 2 * kStep2Margin;
  const int cell_width =
      std::min(kFormatCellWidth, (row_width - (widest_row - 1) * kFormatCellGap) / widest_row);
  std::vector<ui::TPictureButton*> shown_buttons;
  int visible_classes = 0;
  for (int c = 0; c < 3; ++c) {
    int cell = 0;
    for (int i = 0; i < static_cast<int>(format_buttons_[c].size()); ++i) {
      ui::TPictureButton* button = format_buttons_[c][i];
      if (!enabled(c, i)) {
        button->hide();
        continue;
      }
      const GridRect place =
          LayoutGridCell(page_width, 5, kStep2Margin, cell++, cell_width, 57, 3, kFormatCellGap);
      button->setGeometry(place.left, place.top, cell_width, 57);
      button->show();
      shown_buttons.push_back(button);
    }
    ClassButton(c)->setVisible(cell > 0);
    if (cell > 0) ++visible_classes;
  }
  // One caption size for every format button, small enough for the longest caption.
  ui::FitCaptionFont(shown_buttons, true);
  // The visible class buttons share the width of the format panel between its margins.
  const int class_width = row_width / std::max(visible_classes, 1);
  int n = 0;
  for (int c = 0; c < 3; ++c) {
    ui::TPictureButton* class_button = ClassButton(c);
    if (class_button->isHidden()) continue;
    const GridRect place =
        LayoutGridCell(PageControlMain->width(), 135, kStep2Margin, n++, class_width, 32, 0, 0);
    class_button->setGeometry(place.left, place.top, class_width, 32);
  }
  if (visible_classes == 1) {
    for (int c = 0; c < 3; ++c) ClassButton(c)->hide();
    RzPageControlToFormat->move(RzPageControlToFormat->x(), 120);
    // No class buttons: the caption sits right above the panel instead of under it.
    LabelConvertTo->move(LabelConvertTo->x(), 120 - LabelConvertTo->height() - 2);
  } else {
    RzPageControlToFormat->move(RzPageControlToFormat->x(), 172);
    LabelConvertTo->move(LabelConvertTo->x(), 110);
  }
}

}  // namespace tallowin
