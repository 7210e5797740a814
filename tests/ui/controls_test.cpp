// The slide grid, report list, image combo box, page control, skin window and picture loading.
#include <gtest/gtest.h>

#include <QBitmap>
#include <QPainter>
#include <filesystem>

#include "support/test_support.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_file.h"
#include "ui/report_list.h"
#include "ui/skin_form.h"
#include "ui/slide_grid.h"

namespace tallowin::ui {
namespace {

TSlideGrid* GridWithRows(TSlideGrid& grid, int rows) {
  grid.AddColumn({"Picture", true, true, QRect(0, 0, 128, 88), false});
  grid.AddColumn({"Name", false, true, QRect(136, 0, 280, 20), true});
  grid.AddColumn({"Path", false, false, {}, false});
  for (int i = 0; i < rows; ++i) {
    const int row = grid.AddRow();
    grid.SetCell(row, 2, QString("/media/%1.mp4").arg(i));
  }
  return &grid;
}

QStringList Paths(const TSlideGrid& grid) {
  QStringList paths;
  for (int i = 0; i < grid.RowCount(); ++i) paths << grid.Cell(i, 2);
  return paths;
}

TEST(SlideGrid, RowsKeepTheirCellsThroughDeleteAndMove) {
  TSlideGrid grid;
  GridWithRows(grid, 4);
  EXPECT_EQ(grid.ColumnCount(), 3);
  EXPECT_EQ(grid.SelectedRow(), -1);
  grid.SelectRow(1);
  EXPECT_EQ(grid.SelectedRow(), 1);

  int moves = 0;
  QObject::connect(&grid, &TSlideGrid::AfterRowMove, [&] { ++moves; });
  grid.MoveRow(1, 3);
  EXPECT_EQ(Paths(grid),
            QStringList({"/media/0.mp4", "/media/2.mp4", "/media/3.mp4", "/media/1.mp4"}));
  EXPECT_EQ(grid.SelectedRow(), 3);
  grid.MoveRow(3, 0);
  EXPECT_EQ(Paths(grid).first(), "/media/1.mp4");
  EXPECT_EQ(grid.SelectedRow(), 0);
  EXPECT_EQ(moves, 2);
  // Moves outside the grid change nothing.
  grid.MoveRow(0, 4);
  grid.MoveRow(-1, 0);
  EXPECT_EQ(grid.RowCount(), 4);

  grid.DeleteRow(0);
  grid.DeleteRow(7);
  EXPECT_EQ(Paths(grid), QStringList({"/media/0.mp4", "/media/2.mp4", "/media/3.mp4"}));
  QImage thumb(16, 9, QImage::Format_RGB32);
  thumb.fill(Qt::red);
  grid.SetCellImage(2, 0, thumb);
  EXPECT_EQ(grid.CellImage(2, 0).pixelColor(0, 0), QColor(Qt::red));
  EXPECT_TRUE(grid.CellImage(1, 0).isNull());
  EXPECT_EQ(grid.Cell(9, 2), "");

  grid.SelectRow(-1);
  EXPECT_EQ(grid.SelectedRow(), -1);
  grid.ClearRows();
  EXPECT_EQ(grid.RowCount(), 0);
}

TEST(SlideGrid, PaintsRowsAndTheEmptyHint) {
  TSlideGrid grid;
  grid.resize(400, 300);
  grid.SetEmptyText("Drop files here");
  const QImage empty = grid.grab().toImage();
  GridWithRows(grid, 2);
  grid.SetCell(0, 1, "A very long file name that has to be shortened to fit.mp4");
  const QImage filled = grid.grab().toImage();
  EXPECT_NE(empty, filled);
  EXPECT_EQ(grid.visualItemRect(grid.item(0)).height(), grid.RowHeight() + 8);
}

TEST(ReportList, RowsCellsAndSelection) {
  TReportList list;
  list.AddColumn("Name", 100);
  list.AddColumn("Status", 80);
  EXPECT_EQ(list.ColumnCaption(1), "Status");
  list.SetColumnCaption(1, "Width x Height");
  EXPECT_EQ(list.ColumnCaption(1), "Width x Height");
  list.SetColumnCaption(5, "ignored");
  EXPECT_EQ(list.AddRow({"a", "Waiting..."}), 0);
  EXPECT_EQ(list.AddRow({"b"}), 1);
  list.SetCell(1, 1, "Failed.");
  EXPECT_EQ(list.Cell(1, 1), "Failed.");
  EXPECT_EQ(list.Cell(4, 0), "");
  EXPECT_EQ(list.SelectedRow(), -1);
  list.SelectRow(1);
  EXPECT_EQ(list.SelectedRow(), 1);
  list.DeleteRow(1);
  list.DeleteRow(3);
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Cell(0, 0), "a");
  list.ClearRows();
  EXPECT_EQ(list.RowCount(), 0);
}

TEST(ImageComboBox, IndexOutsideTheListSelectsNothing) {
  TImageComboBox box;
  EXPECT_EQ(box.maxVisibleItems(), 10);
  box.AddItem("First");
  box.AddItem("Second", QPixmap(), 2);
  EXPECT_EQ(box.ItemCount(), 2);
  box.SetItemIndex(1);
  EXPECT_EQ(box.ItemIndex(), 1);
  box.SetItemIndex(40);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.SetItemIndex(-3);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.SetItemIndex(0);
  EXPECT_EQ(box.ItemIndex(), 0);
}

TEST(PageControl, ChangesPagesOnlyByProgram) {
  TPageControl pages;
  TTabSheet* one = pages.AddPage("One", "TabSheetOne");
  TTabSheet* two = pages.AddPage("Two", "TabSheetTwo");
  int changes = 0;
  QObject::connect(&pages, &TPageControl::Changed, [&] { ++changes; });
  EXPECT_EQ(pages.ActivePage(), one);
  pages.SetActivePage(two);
  EXPECT_EQ(pages.ActivePage(), two);
  EXPECT_EQ(two->Caption(), "Two");
  pages.SetActivePage(two);
  TTabSheet stranger("Elsewhere");
  pages.SetActivePage(&stranger);
  pages.SetActivePage(nullptr);
  EXPECT_EQ(pages.ActivePage(), two);
  EXPECT_EQ(changes, 1);
}

TEST(SkinForm, TakesThePictureSizeAndCutsOutFuchsia) {
  QPixmap picture(50, 40);
  picture.fill(Qt::white);
  {
    QPainter painter(&picture);
    painter.fillRect(0, 0, 5, 5, QColor(0xFF, 0x00, 0xFF));
  }
  TSkinForm form;
  form.SetSkinPicture(picture);
  EXPECT_EQ(form.size(), QSize(50, 40));
  const QRegion shape = form.mask();
  EXPECT_FALSE(shape.contains(QPoint(2, 2)));
  EXPECT_TRUE(shape.contains(QPoint(20, 20)));

  QPixmap plain(30, 30);
  plain.fill(Qt::white);
  form.SetSkinPicture(plain);
  EXPECT_TRUE(form.mask().isEmpty());
}

TEST(PictureFile, MissingAndDamagedFilesAreNamed) {
  test::TempDir dir;
  QPixmap picture;
  std::string error;
  EXPECT_FALSE(LoadPictureFile(dir.dir() + "none.png", picture, error));
  EXPECT_NE(error.find(dir.dir() + "none.png"), std::string::npos) << error;
  test::WriteFile(dir / "bad.png", "\x89PNG broken");
  EXPECT_FALSE(LoadPictureFile(dir.dir() + "bad.png", picture, error));
  EXPECT_NE(error.find("bad.png"), std::string::npos) << error;
  EXPECT_TRUE(picture.isNull());

  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::blue);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.dir() + "good.bmp")));
  // The content decides the format, not the name.
  std::filesystem::rename(dir / "good.bmp", dir / "good.png");
  EXPECT_TRUE(LoadPictureFile(dir.dir() + "good.png", picture, error));
  EXPECT_EQ(picture.size(), QSize(3, 2));
}

}  // namespace
}  // namespace tallowin::ui
