// The look of the shared controls: picture-button captions, the preset field and its pop-up,
// report-list columns that fit, and the program's dialog style.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <memory>
#include <vector>

#include "ui/app_style.h"
#include "ui/image_combo_box.h"
#include "ui/picture_button.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"

namespace tallowin::ui {
namespace {

TEST(PictureButton, SpokenCaptionDropsAcceleratorMarks) {
  TPictureButton button;
  button.setText("&Next");
  EXPECT_EQ(AccessibleCaption(button).toStdString(), "Next");
  button.setText("How Tos && Tutorial Videos...");
  EXPECT_EQ(AccessibleCaption(button).toStdString(), "How Tos & Tutorial Videos...");
  button.setText("");
  button.setToolTip("Minimize");
  EXPECT_EQ(AccessibleCaption(button).toStdString(), "Minimize");
  button.setAccessibleName("Close");
  EXPECT_EQ(AccessibleCaption(button).toStdString(), "Close");
}

TEST(PictureButton, OneCaptionSizeForARowShrinksToTheLongest) {
  std::vector<std::unique_ptr<TPictureButton>> owned;
  std::vector<TPictureButton*> row;
  for (const char* caption : {"AVI", "MP4", "BlackBerry Bold Touch"}) {
    owned.push_back(std::make_unique<TPictureButton>());
    owned.back()->setText(caption);
    owned.back()->resize(55, 57);
    QFont font = owned.back()->font();
    font.setPointSizeF(12);
    owned.back()->setFont(font);
    row.push_back(owned.back().get());
  }
  const qreal size = FitCaptionFont(row, true);
  EXPECT_LT(size, 12);
  EXPECT_GE(size, 7);
  for (TPictureButton* b : row) EXPECT_EQ(b->font().pointSizeF(), size);
  // Captions that fit keep the size they have.
  row.pop_back();
  for (TPictureButton* b : row) {
    QFont font = b->font();
    font.setPointSizeF(9);
    b->setFont(font);
  }
  EXPECT_EQ(FitCaptionFont(row, true), 9);
  EXPECT_EQ(FitCaptionFont({}, true), 0);
}

TEST(ImageComboBox, ClosedFieldElidesAtTheEnd) {
  TImageComboBox list;
  list.resize(200, 30);
  list.AddItem("Short");
  list.AddItem("iPod Classic Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 160 kbps)");
  list.SetItemIndex(0);
  EXPECT_EQ(list.ShownText().toStdString(), "Short");
  list.SetItemIndex(1);
  const QString shown = list.ShownText();
  EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith("iPod Classic")) << shown.toStdString();
  EXPECT_LT(list.fontMetrics().horizontalAdvance(shown), list.width());
  list.SetItemIndex(-1);
  EXPECT_TRUE(list.ShownText().isEmpty());
}

TEST(ImageComboBox, PopUpShowsTenRowsAndScrollsTheRest) {
  QWidget window;
  window.resize(600, 400);
  auto* list = new TImageComboBox(&window);
  list->setGeometry(10, 10, 400, 30);
  for (int i = 0; i < 19; ++i) list->AddItem(QString("Preset %1").arg(i));
  window.show();
  list->showPopup();
  QApplication::processEvents();
  QAbstractItemView* view = list->view();
  const int row = view->sizeHintForRow(0);
  ASSERT_GT(row, 0);
  EXPECT_LE(view->viewport()->height(), TImageComboBox::kMaxVisibleItems * row + row / 2);
  EXPECT_GE(view->viewport()->height(), (TImageComboBox::kMaxVisibleItems - 1) * row);
  EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
  list->hidePopup();

  // A short list shows every row, with nothing to scroll.
  auto* few = new TImageComboBox(&window);
  few->setGeometry(10, 50, 400, 30);
  for (int i = 0; i < 4; ++i) few->AddItem(QString("Quality %1 - MP3: 48000 Hz, Stereo").arg(i));
  few->showPopup();
  QApplication::processEvents();
  int rows = 0;
  for (int i = 0; i < 4; ++i) rows += few->view()->sizeHintForRow(i);
  EXPECT_GE(few->view()->viewport()->height(), rows);
  EXPECT_EQ(few->view()->verticalScrollBar()->maximum(), 0);
  few->hidePopup();
}

TEST(ReportList, ColumnsFitTheListAndKeepTheirCaptions) {
  TReportList list;
  list.resize(555, 160);
  list.AddColumn("Name", 150);
  list.AddColumn("Duration", 96);
  list.AddColumn("Status", 90);
  list.AddColumn("Progress", 70);
  list.AddColumn("Path", 200);
  list.FitColumnsToWidth();
  int total = 0;
  for (int c = 0; c < list.columnCount(); ++c) {
    EXPECT_GE(list.columnWidth(c), list.HeaderTextWidth(c)) << c;
    total += list.columnWidth(c);
  }
  EXPECT_LE(total, list.width() - 2 * list.frameWidth());
  // The proportions of the design are kept: Name stays wider than Status.
  EXPECT_GT(list.columnWidth(0), list.columnWidth(2));
  list.show();
  QApplication::processEvents();
  EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
  list.hide();
}

TEST(SlideGrid, TextsMayUseTheTileUpToItsRightMargin) {
  const QRect tile(4, 2, 540, 96);
  EXPECT_EQ(TSlideGrid::TextRoom(QRect(146, 10, 280, 20), tile), 543 - 146 - 8);
  // Never less than a sliver, even when the tile is narrow.
  EXPECT_EQ(TSlideGrid::TextRoom(QRect(146, 10, 280, 20), QRect(0, 0, 100, 96)), 10);
}

TEST(AppStyle, DialogButtonsHaveNoStockPicturesAndSymbolsComeFromTheSkin) {
  QPixmap question(32, 32);
  question.fill(Qt::blue);
  int asked = 0;
  TAppStyle style([&](QStyle::StandardPixmap which) {
    ++asked;
    return which == QStyle::SP_MessageBoxQuestion ? question : QPixmap();
  });
  EXPECT_EQ(style.styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons), 0);
  const QIcon icon = style.standardIcon(QStyle::SP_MessageBoxQuestion);
  EXPECT_EQ(icon.pixmap(32, 32).toImage().pixelColor(16, 16), QColor(Qt::blue));
  // Without a skin picture the platform's symbol stays.
  EXPECT_EQ(style.standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32).toImage(),
            style.baseStyle()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32).toImage());
  // Other pictures are not asked for.
  const int before = asked;
  style.standardIcon(QStyle::SP_DirIcon);
  EXPECT_EQ(asked, before);
  TAppStyle plain;
  EXPECT_FALSE(plain.standardIcon(QStyle::SP_MessageBoxQuestion).isNull());
}

TEST(AppStyle, FileDialogPicturesAreDrawnInTheSkinsColours) {
  TAppStyle style;
  for (QStyle::StandardPixmap which :
       {QStyle::SP_ArrowBack, QStyle::SP_ArrowForward, QStyle::SP_FileDialogToParent,
        QStyle::SP_FileDialogNewFolder, QStyle::SP_FileDialogListView,
        QStyle::SP_FileDialogDetailedView, QStyle::SP_DirIcon, QStyle::SP_FileIcon,
        QStyle::SP_ComputerIcon}) {
    const QPixmap drawn = TAppStyle::PaintStockPicture(which, 24);
    ASSERT_FALSE(drawn.isNull()) << which;
    EXPECT_EQ(style.standardIcon(which).pixmap(24, 24).toImage(), drawn.toImage()) << which;
    // Something is drawn, and not over the whole square.
    const QImage image = drawn.toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(inked, 10) << which;
    EXPECT_LT(inked, 24 * 24) << which;
  }
  // Back and forward point different ways.
  EXPECT_NE(TAppStyle::PaintStockPicture(QStyle::SP_ArrowBack, 24).toImage(),
            TAppStyle::PaintStockPicture(QStyle::SP_ArrowForward, 24).toImage());
  // Pictures the program does not draw stay the platform's.
  EXPECT_TRUE(TAppStyle::PaintStockPicture(QStyle::SP_TitleBarMenuButton, 24).isNull());
}

}  // namespace
}  // namespace tallowin::ui
