#include "shell/form_about.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cctype>

#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "ui/dialog_placement.h"
#include "ui/picture_file.h"
#include "ui/picture_label.h"
#include "ui/theme.h"

namespace tallowin {

namespace {
constexpr int kPanelWidth = 150;
constexpr int kPageLeft = 170;
constexpr int kPageWidth = 420;
constexpr int kPageHeight = 210;
}  // namespace

std::string CopyrightNotice(int year, const std::string& copyright) {
  // A configured text that is itself a notice ("Copyright (C) 2026 ...", "(c) ...", "© ...") is
  // shown as it is; a bare holder's name gets the words and the year put in front.
  std::string lower;
  for (char c : copyright.substr(0, 9))
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool whole_notice = lower.rfind("copyright", 0) == 0 || lower.rfind("(c)", 0) == 0 ||
                            lower.rfind("\u00A9", 0) == 0;
  std::string notice =
      whole_notice ? copyright : "Copyright \u00A9 " + std::to_string(year) + " " + copyright;
  if (!notice.empty() && notice.back() != '.') notice += '.';
  return notice + " All rights reserved.";
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle("About ");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setStyleSheet(ui::Theme::DialogStyleSheet());
  BuildControls();
  FormCreate();
}

void TFormAbout::BuildControls() {
  PanelmageLeft = new QWidget(this);
  PanelmageLeft->setObjectName("PanelmageLeft");
  PanelmageLeft->setGeometry(10, 10, kPanelWidth, kPageHeight + 44);
  PanelmageLeft->setStyleSheet("#PanelmageLeft { background: #1E3A8A; border-radius: 6px; }");
  ImageLeft = new ui::TImage(PanelmageLeft);
  ImageLeft->setObjectName("ImageLeft");
  ImageLeft->setGeometry(0, 0, kPanelWidth, kPageHeight + 44);
  ImageLeft->setAlignment(Qt::AlignCenter);
  ImageLeft->setCursor(Qt::PointingHandCursor);
  connect(ImageLeft, &ui::TImage::Clicked, this, &TFormAbout::ImageLeftClick);

  PageControlMain = new QTabWidget(this);
  PageControlMain->setObjectName("PageControlMain");
  PageControlMain->setGeometry(kPageLeft, 10, kPageWidth, kPageHeight);
  TabSheetAbout = new QWidget();
  TabSheetAbout->setObjectName("TabSheetAbout");
  TabSheetUpdate = new QWidget();
  TabSheetUpdate->setObjectName("TabSheetUpdate");
  PageControlMain->addTab(TabSheetAbout, "About");
  PageControlMain->addTab(TabSheetUpdate, "Update");

  auto label = [](QWidget* page, const char* name, const QString& text, int x, int y, int w,
                  int h = 18) {
    auto* l = new QLabel(text, page);
    l->setObjectName(name);
    l->setGeometry(x, y, w, h);
    return l;
  };
  LabalTitle = label(TabSheetAbout, "LabalTitle", "", 14, 14, kPageWidth - 30, 22);
  LabalTitle->setStyleSheet("font-size: 15px; font-weight: bold; color: #1E293B;");
  LabelCopyright = label(TabSheetAbout, "LabelCopyright", "", 14, 42, kPageWidth - 30, 36);
  LabelCopyright->setWordWrap(true);
  LabelCopyright->setStyleSheet("color: #64748B;");
  LabelWebTitle = label(TabSheetAbout, "LabelWebTitle", "Web site:", 14, 92, 70);
  LabelWeb = new ui::TLinkLabel("", TabSheetAbout);
  LabelWeb->setObjectName("LabelWeb");
  LabelWeb->setGeometry(84, 92, kPageWidth - 100, 18);
  connect(LabelWeb, &ui::TLinkLabel::Clicked, this, &TFormAbout::LabelWebClick);
  LabelSupport = label(TabSheetAbout, "LabelSupport", "Support:", 14, 116, 70);
  LabelSupportEmail = new ui::TLinkLabel("", TabSheetAbout);
  LabelSupportEmail->setObjectName("LabelSupportEmail");
  LabelSupportEmail->setGeometry(84, 116, kPageWidth - 100, 18);
  connect(LabelSupportEmail, &ui::TLinkLabel::Clicked, this, &TFormAbout::LabelSupportEmailClick);

  LabelCheckTitle =
      label(TabSheetUpdate, "LabelCheckTitle", "Check for update", 14, 14, kPageWidth - 30);
  LabelCheckTitle->setStyleSheet("font-weight: bold;");
  LabelCheck = label(TabSheetUpdate, "LabelCheck",
                     "To ensure you're using the latest version, click on the \nUpdates button "
                     "below.",
                     14, 36, kPageWidth - 30, 40);
  // The text breaks where its own line break is; as tall as its lines need.
  LabelCheck->setWordWrap(true);
  LabelCheck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LabelCheck->resize(
      LabelCheck->width(),
      std::max(LabelCheck->height(), LabelCheck->heightForWidth(LabelCheck->width())));
  LabelPInfo = label(TabSheetUpdate, "LabelPInfo", "Product information", 14, 88, kPageWidth - 30);
  LabelPInfo->setStyleSheet("font-weight: bold;");
  LabelVersion = label(TabSheetUpdate, "LabelVersion", "%s", 14, 110, kPageWidth - 30);
  ButtonUpdates = new QPushButton("&Updates...", TabSheetUpdate);
  ButtonUpdates->setObjectName("ButtonUpdates");
  ButtonUpdates->setGeometry(14, 140, 110, 28);
  connect(ButtonUpdates, &QPushButton::clicked, this, &TFormAbout::ButtonUpdatesClick);

  ButtonOK = new QPushButton("&OK", this);
  ButtonOK->setObjectName("ButtonOK");
  ButtonOK->setDefault(true);
  ButtonOK->setGeometry(kPageLeft + kPageWidth - 90, kPageHeight + 22, 90, 30);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(kPageLeft + kPageWidth + 15, kPageHeight + 64);
}

void TFormAbout::FormCreate() {
  const TGlobalVars& g = GlobalVars();
  // The design caption of LabelVersion is the format.
  LabelVersion->setText(LabelVersion->text().replace("%s", QString::fromStdString(g.Version)));
  LabelCopyright->setText(
      QString::fromStdString(CopyrightNotice(QDate::currentDate().year(), g.Copyright)));
  if (g.Skin == 3) {
    PanelmageLeft->hide();
    PageControlMain->move(10, PageControlMain->y());
    const int right = PageControlMain->x() + PageControlMain->width();
    ButtonOK->move(right - ButtonOK->width(), ButtonOK->y());
    setFixedSize(PageControlMain->x() + PageControlMain->width() + 15, height());
  } else {
    QPixmap picture;
    if (!ui::LoadPictureFile(g.ResourceDir + "leftlogo.png", picture, create_error_)) return;
    ImageLeft->setPixmap(
        picture.scaled(ImageLeft->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  }
  LabelWeb->setText(QString::fromStdString(g.HelpHomePageLink));
  LabelSupportEmail->setText(QString::fromStdString(g.HelpSupportLink));
  LabalTitle->setText(QString::fromStdString(g.AppTitle) + " " + LabelVersion->text());
}

void TFormAbout::ShowCentred(QWidget* owner) {
  TFormAbout dialog(owner);
  if (!dialog.CreateError().empty()) {
    Platform().ShowError(dialog.CreateError());
    return;
  }
  ui::CentreOver(dialog, owner);
  dialog.exec();
}

void TFormAbout::LabelWebClick() {
  Platform().OpenWithShell(LabelWeb->text().toStdString());
}

void TFormAbout::LabelSupportEmailClick() {
  Platform().OpenWithShell(GlobalVars().HelpSupportLink);
}

void TFormAbout::ImageLeftClick() {
  Platform().OpenWithShell(GlobalVars().HelpCheckForUpdatesLink);
}

void TFormAbout::ButtonUpdatesClick() {
  Platform().OpenWithShell(GlobalVars().HelpCheckForUpdatesLink);
}

}  // namespace tallowin
