#include "shell/form_about.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "ui/dialog_placement.h"
#include "ui/picture_file.h"
#include "ui/picture_label.h"

namespace tallowin {

namespace {
constexpr int kPanelWidth = 150;
constexpr int kPageLeft = 170;
constexpr int kPageWidth = 330;
constexpr int kPageHeight = 210;
}  // namespace

std::string CopyrightNotice(int year, const std::string& copyright) {
  return "Copyright \u00A9 " + std::to_string(year) + " " + copyright + ". All rights reserved.";
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle("About ");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setStyleSheet(
      "QDialog { background: #F8FAFC; }"
      "QTabWidget::pane { background: #FFFFFF; border: 1px solid #E2E8F0; border-radius: 6px; }"
      "QTabBar::tab { padding: 5px 14px; color: #475569; }"
      "QTabBar::tab:selected { color: #1D4ED8; font-weight: bold; }"
      "QLabel[role=\"link\"] { color: #2563EB; text-decoration: underline; }"
      "QPushButton { background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px;"
      " padding: 4px 14px; }"
      "QPushButton:hover { background: #E8F0FE; border-color: #608FF5; }");
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
  LabalTitle = label(TabSheetAbout, "LabalTitle", "", 14, 14, 300, 22);
  LabalTitle->setStyleSheet("font-size: 15px; font-weight: bold; color: #1E293B;");
  LabelCopyright = label(TabSheetAbout, "LabelCopyright", "", 14, 42, 300, 34);
  LabelCopyright->setWordWrap(true);
  LabelCopyright->setStyleSheet("color: #64748B;");
  LabelWebTitle = label(TabSheetAbout, "LabelWebTitle", "Web site:", 14, 92, 70);
  LabelWeb = new ui::TLinkLabel("", TabSheetAbout);
  LabelWeb->setObjectName("LabelWeb");
  LabelWeb->setGeometry(84, 92, 230, 18);
  connect(LabelWeb, &ui::TLinkLabel::Clicked, this, &TFormAbout::LabelWebClick);
  LabelSupport = label(TabSheetAbout, "LabelSupport", "Support:", 14, 116, 70);
  LabelSupportEmail = new ui::TLinkLabel("", TabSheetAbout);
  LabelSupportEmail->setObjectName("LabelSupportEmail");
  LabelSupportEmail->setGeometry(84, 116, 230, 18);
  connect(LabelSupportEmail, &ui::TLinkLabel::Clicked, this, &TFormAbout::LabelSupportEmailClick);

  LabelCheckTitle = label(TabSheetUpdate, "LabelCheckTitle", "Check for update", 14, 14, 300);
  LabelCheckTitle->setStyleSheet("font-weight: bold;");
  LabelCheck = label(TabSheetUpdate, "LabelCheck",
                     "To ensure you're using the latest version, click on the \nUpdates button "
                     "below.",
                     14, 36, 300, 36);
  LabelCheck->setWordWrap(true);
  LabelPInfo = label(TabSheetUpdate, "LabelPInfo", "Product information", 14, 84, 300);
  LabelPInfo->setStyleSheet("font-weight: bold;");
  LabelVersion = label(TabSheetUpdate, "LabelVersion", "%s", 14, 106, 300);
  ButtonUpdates = new QPushButton("&Updates...", TabSheetUpdate);
  ButtonUpdates->setObjectName("ButtonUpdates");
  ButtonUpdates->setGeometry(14, 136, 110, 28);
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
