// The controls of the Mode page and of the conversion pages Step1, Step3 and Step4.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "ui/action_binding.h"
#include "ui/page_control.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "ui/theme.h"
#include "wizard/form_main.h"
#include "wizard/page_widgets.h"

namespace tallowin {

using wizard::MakeButton;
using wizard::MakeCard;
using wizard::MakeGroup;
using wizard::MakeLabel;
using wizard::MakeScopedAction;

namespace {

// One choice of the Mode page: a card with the picture on the left and the radio button and a
// short explanation beside it.
QFrame* ModeCard(QWidget* page, int top, ui::TImage*& image, const char* image_name,
                 QRadioButton*& radio, const char* radio_name, const QString& caption,
                 const QString& hint) {
  QFrame* card = MakeCard(page, QRect(10, top, 535, 178));
  image = new ui::TImage(card);
  image->setObjectName(image_name);
  image->setGeometry(10, 14, 136, 150);
  image->setAlignment(Qt::AlignCenter);
  image->setCursor(Qt::PointingHandCursor);
  radio = new QRadioButton(caption, card);
  radio->setObjectName(radio_name);
  radio->setGeometry(146, 52, 384, 26);

  QLabel* text = MakeLabel(card, "", hint, "caption");
  text->setWordWrap(true);
  text->setGeometry(176, 82, 330, 44);
  return card;
}

}  // namespace

void TFormMain::BuildModePage() {
  QWidget* page = TabSheetMode;
  ModeCard(page, 20, ImageDownloadVideo, "ImageDownloadVideo", RadioButtonDownloadVideo,
           "RadioButtonDownloadVideo", "Download video from YouTube",
           "Paste the links of the videos you want and save them to your computer.");
  ModeCard(page, 214, ImageConvertVideo, "ImageConvertVideo", RadioButtonConvertVideo,
           "RadioButtonConvertVideo", "Convert audio/video (previously downloaded) from file",
           "Turn your audio and video files into the format your player or device needs.");
  // One font for both captions, as large as lets the longer one fit.
  QFont font = RadioButtonDownloadVideo->font();
  font.setBold(true);
  for (int pixels = 14; pixels >= 10; --pixels) {
    font.setPixelSize(pixels);
    RadioButtonDownloadVideo->setFont(font);
    RadioButtonConvertVideo->setFont(font);
    if (RadioButtonConvertVideo->sizeHint().width() <= RadioButtonConvertVideo->width() &&
        RadioButtonDownloadVideo->sizeHint().width() <= RadioButtonDownloadVideo->width()) {
      break;
    }
  }
  // The two choices sit in different cards: a group keeps them exclusive.
  auto* choices = new QButtonGroup(page);
  choices->addButton(RadioButtonDownloadVideo);
  choices->addButton(RadioButtonConvertVideo);
  RadioButtonDownloadVideo->setChecked(true);
  connect(ImageDownloadVideo, &ui::TImage::Clicked, this, [this] {
    RadioButtonDownloadVideo->setChecked(true);
    RadioButtonDownloadVideo->setFocus();
  });
  connect(ImageConvertVideo, &ui::TImage::Clicked, this, [this] {
    RadioButtonConvertVideo->setChecked(true);
    RadioButtonConvertVideo->setFocus();
  });
}

void TFormMain::BuildStep1Page() {
  QWidget* page = TabSheetStep1;
  NextGrid = new ui::TSlideGrid(page);
  NextGrid->setObjectName("NextGrid");
  NextGrid->setGeometry(0, 0, 555, 372);
  NextGrid->SetEmptyText("Click \"Add File(s)...\" or drop audio and video files here.");
  // Picture 128 x 88 at the tile's origin, then the four visible text lines.
  const struct {
    const char* name;
    bool graphic;
    bool visible;
    QRect place;
    bool bold;
  } columns[kNextGridColumnCount] = {
      {"NxGraphicColumnMainImage", true, true, QRect(0, 0, 128, 88), false},
      {"NxTextColumnFileMinName", false, true, QRect(136, 0, 280, 20), true},
      {"NxTextColumnDuration", false, true, QRect(136, 33, 280, 16), false},
      {"NxTextColumnBitrate", false, true, QRect(136, 49, 280, 16), false},
      {"NxTextColumnDimension", false, true, QRect(136, 65, 280, 16), false},
      {"NxTextColumnFileFullName", false, false, {}, false},
      {"NxTextColumnFileSize", false, false, {}, false},
      {"NxTextColumnVideoEncoder", false, false, {}, false},
      {"NxTextColumnAudioChannels", false, false, {}, false},
      {"NxTextColumnAudioSampleRate", false, false, {}, false},
      {"NxTextColumnAudioBitrate", false, false, {}, false},
      {"NxTextColumnAudioEncoder", false, false, {}, false},
      {"NxTextColumnFrameRate", false, false, {}, false},
      {"NxTextColumnRealDuration", false, false, {}, false},
      {"NxTextColumnWidth", false, false, {}, false},
      {"NxTextColumnHeight", false, false, {}, false},
      {"NxTextColumnAspectRatio", false, false, {}, false},
  };
  for (const auto& c : columns) {
    NextGrid->AddColumn({c.name, c.graphic, c.visible, c.place, c.bold});
  }

  ImageAudioIcon = new ui::TImage(page);
  ImageAudioIcon->setObjectName("ImageAudioIcon");
  ImageAudioIcon->hide();

  ActionAdd = MakeScopedAction(page, "ActionAdd", "&Add File(s)...");
  ActionAdd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  ActionDelete = MakeScopedAction(page, "ActionDelete", "&Delete");
  ActionDelete->setShortcut(QKeySequence(Qt::Key_Delete));
  ActionClear = MakeScopedAction(page, "ActionClear", "&Clear");
  ActionClear->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
  ActionMoveUp = MakeScopedAction(page, "ActionMoveUp", "&Move Up");
  ActionMoveDown = MakeScopedAction(page, "ActionMoveDown", "M&ove Down");
  ActionPlay = MakeScopedAction(page, "ActionPlay", "&Play");
  ActionPlay->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  ActionCropTrim = MakeScopedAction(page, "ActionCropTrim", "C&rop && Trim");

  PopupMenuNextGrid = new QMenu(NextGrid);
  PopupMenuNextGrid->setObjectName("PopupMenuNextGrid");
  PopupMenuNextGrid->setStyleSheet(ui::Theme::MenuStyleSheet());
  PopupMenuNextGrid->addAction(ActionAdd);
  PopupMenuNextGrid->addAction(ActionDelete);
  PopupMenuNextGrid->addAction(ActionClear);
  PopupMenuNextGrid->addSeparator();
  PopupMenuNextGrid->addAction(ActionMoveUp);
  PopupMenuNextGrid->addAction(ActionMoveDown);
  PopupMenuNextGrid->addSeparator();
  PopupMenuNextGrid->addAction(ActionPlay);
  PopupMenuNextGrid->addAction(ActionCropTrim);
  ActionCropTrim->setVisible(false);
  NextGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(NextGrid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenuNextGrid->popup(NextGrid->mapToGlobal(at)); });

  const struct {
    QPushButton** button;
    const char* name;
    QAction* action;
    int width;
  } buttons[] = {
      {&ButtonAdd, "ButtonAdd", ActionAdd, 112},
      {&ButtonDelete, "ButtonDelete", ActionDelete, 74},
      {&ButtonClear, "ButtonClear", ActionClear, 74},
      {&ButtonMoveUp, "ButtonMoveUp", ActionMoveUp, 88},
      {&ButtonMoveDown, "ButtonMoveDown", ActionMoveDown, 98},
      {&ButtonPlay, "ButtonPlay", ActionPlay, 70},
  };
  int left = 0;
  for (const auto& b : buttons) {
    *b.button = MakeButton(page, b.name, QString());
    (*b.button)->setGeometry(left, 382, b.width, 30);
    ui::BindToAction(*b.button, b.action);
    left += b.width + 8;
  }
  ButtonPlay->move(555 - ButtonPlay->width(), ButtonPlay->y());
}

void TFormMain::BuildStep3Page() {
  QWidget* page = TabSheetStep3;
  ListViewConverting = new ui::TReportList(page);
  ListViewConverting->setObjectName("ListViewConverting");
  ListViewConverting->setGeometry(0, 0, 555, 160);
  ListViewConverting->AddColumn("Name", 150);
  ListViewConverting->AddColumn("Duration", 96);
  ListViewConverting->AddColumn("Status", 90);
  ListViewConverting->AddColumn("Progress", 70);
  ListViewConverting->AddColumn("Path", 200);
  ListViewConverting->FitColumnsToWidth();

  GroupBoxStatus = MakeGroup(page, "GroupBoxStatus", "Status", QRect(0, 166, 555, 154));
  auto* grid = new QGridLayout(GroupBoxStatus);
  grid->setContentsMargins(12, 14, 12, 8);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(6);
  LabelCurrentFileTitle =
      MakeLabel(GroupBoxStatus, "LabelCurrentFileTitle", "Current file:", "caption");
  LabelCurrentFile = MakeLabel(GroupBoxStatus, "LabelCurrentFile", "...", "figure");
  LabelCurrentFile->setMinimumWidth(10);
  LabelEstimated = MakeLabel(GroupBoxStatus, "LabelEstimated", "0:00:00", "figure");
  LabelElapsed = MakeLabel(GroupBoxStatus, "LabelElapsed", "0:00:00", "figure");
  LabelTimeLeft = MakeLabel(GroupBoxStatus, "LabelTimeLeft", "0:00:00", "figure");
  LabelProgress = MakeLabel(GroupBoxStatus, "LabelProgress", "0%", "figure");
  LabelProgress->setMinimumWidth(40);
  LabelProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ProgressBar = new QProgressBar(GroupBoxStatus);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setFixedHeight(10);
  grid->addWidget(LabelCurrentFileTitle, 0, 0);
  grid->addWidget(LabelCurrentFile, 0, 1, 1, 3);
  grid->addWidget(
      MakeLabel(GroupBoxStatus, "LabelEstimatedTitle", "Estimated overall time:", "caption"), 1, 0);
  grid->addWidget(LabelEstimated, 1, 1);
  grid->addWidget(MakeLabel(GroupBoxStatus, "LabelElapsedTitle", "Elapsed time:", "caption"), 1, 2);
  grid->addWidget(LabelElapsed, 1, 3);
  grid->addWidget(MakeLabel(GroupBoxStatus, "LabelTimeLeftTitle", "Time left:", "caption"), 2, 0);
  grid->addWidget(LabelTimeLeft, 2, 1);
  grid->addWidget(MakeLabel(GroupBoxStatus, "LabelProgressTitle", "Overall Progress:", "caption"),
                  3, 0);
  auto* bar_row = new QHBoxLayout();
  bar_row->addWidget(ProgressBar, 1);
  bar_row->addWidget(LabelProgress);
  grid->addLayout(bar_row, 3, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  GroupBoxPostProgress =
      MakeGroup(page, "GroupBoxPostProgress", "Post-Progress Options", QRect(0, 326, 555, 86));
  auto* options = new QGridLayout(GroupBoxPostProgress);
  options->setContentsMargins(12, 14, 12, 6);
  options->setVerticalSpacing(4);
  CheckBoxPlayASound =
      new QCheckBox("&Play a sound when conversion is finished", GroupBoxPostProgress);
  CheckBoxPlayASound->setObjectName("CheckBoxPlayASound");
  CheckBoxShutdown =
      new QCheckBox("&Shut down the computer after all tasks are finished", GroupBoxPostProgress);
  CheckBoxShutdown->setObjectName("CheckBoxShutdown");
  CheckBoxPreview = new QCheckBox("Preview", GroupBoxPostProgress);
  CheckBoxPreview->setObjectName("CheckBoxPreview");
  options->addWidget(CheckBoxPlayASound, 0, 0);
  options->addWidget(CheckBoxShutdown, 1, 0);
  options->addWidget(CheckBoxPreview, 0, 1, Qt::AlignRight);
  options->setColumnStretch(0, 1);
}

void TFormMain::BuildStep4Page() {
  QWidget* page = TabSheetStep4;
  QFrame* card = MakeCard(page, QRect(0, 0, 555, 200));
  LabelFinishTitle1 = MakeLabel(card, "LabelFinishTitle1", "%s has finished the conversion.");
  LabelFinishTitle1->setGeometry(20, 16, 515, 26);
  LabelFinishTitle1->setStyleSheet("font-size: 16px; font-weight: bold; color: #15803D;");

  wizard::MakeFigureTiles(
      card, 56,
      {
          {&LabelFinishTotalFiles, "LabelFinishTotalFiles", "LabelFinishTotalFilesTitle",
           "Total files:"},
          {&LabelFinishSuccessed, "LabelFinishSuccessed", "LabelFinishSuccessedTitle",
           "Successed:"},
          {&LabelFinishFailed, "LabelFinishFailed", "LabelFinishFailedTitle", "Failed:"},
      });
  LabelOpenFolder = new ui::TLinkLabel("Open folder", card);
  LabelOpenFolder->setObjectName("LabelOpenFolder");
  LabelOpenFolder->setGeometry(20, 142, 200, 20);

  MemoErrorLog = new QPlainTextEdit(page);
  MemoErrorLog->setObjectName("MemoErrorLog");
  MemoErrorLog->setReadOnly(true);
  MemoErrorLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoErrorLog->setGeometry(0, 212, 555, 200);
  MemoErrorLog->hide();

  LabelFinishTitle2 =
      MakeLabel(card, "LabelFinishTitle2",
                "To convert other files, click \"Finish\". Click \"Exit\" to quit %s.", "caption");
  LabelFinishTitle2->setGeometry(20, 170, 515, 20);
  LabelFinishTitle2->setWordWrap(true);
}

}  // namespace tallowin
