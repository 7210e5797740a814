// Picture buttons draw the picture of their state; drawn tiles show the chosen (disabled) state.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/action_binding.h"
#include "ui/picture_button.h"

namespace tallowin::ui {
namespace {

QPixmap Solid(QColor colour, QSize size = {40, 20}) {
  QPixmap picture(size);
  picture.fill(colour);
  return picture;
}

// The colour of a pixel near the corner, where no caption is drawn.
QColor Corner(QWidget& widget) {
  return widget.grab().toImage().pixelColor(2, 2);
}

TEST(PictureButton, DrawsThePictureOfItsState) {
  TPictureButton button;
  button.SetPictures(Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue), Solid(Qt::gray));
  EXPECT_EQ(button.size(), QSize(40, 20));
  EXPECT_EQ(Corner(button), QColor(Qt::red));

  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&button, &enter);
  EXPECT_EQ(Corner(button), QColor(Qt::green));

  button.setDown(true);
  EXPECT_EQ(Corner(button), QColor(Qt::blue));
  button.setDown(false);

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_EQ(Corner(button), QColor(Qt::red));

  button.setEnabled(false);
  EXPECT_EQ(Corner(button), QColor(Qt::gray));
}

TEST(PictureButton, MissingStatePicturesFallBackToTheNormalOne) {
  TPictureButton button;
  button.SetPictures(Solid(Qt::red), QPixmap(), QPixmap());
  button.setDown(true);
  EXPECT_EQ(Corner(button), QColor(Qt::red));
  button.setEnabled(false);
  EXPECT_EQ(Corner(button), QColor(Qt::red));
}

TEST(PictureButton, TransparentButtonsDrawNoPicture) {
  QWidget parent;
  parent.resize(60, 30);
  parent.setAutoFillBackground(true);
  QPalette palette;
  palette.setColor(QPalette::Window, Qt::black);
  parent.setPalette(palette);
  auto* button = new TPictureButton(&parent);
  button->SetPictures(Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue));
  button->SetTransparent(true);
  button->SetCaptionColor(Qt::white);
  // The background shows through (under a faint shade); the picture is not drawn.
  const QColor seen = parent.grab().toImage().pixelColor(3, 3);
  EXPECT_LT(seen.red(), 40);
  EXPECT_LT(seen.green(), 40);
  EXPECT_EQ(button->CaptionColor(), QColor(Qt::white));
}

TEST(PictureButton, TilesShowTheChosenFormatDisabled) {
  TPictureButton tile;
  tile.SetLook(TPictureButton::Look::Tile);
  tile.resize(62, 57);
  const QColor free = tile.grab().toImage().pixelColor(31, 50);
  tile.setEnabled(false);
  const QColor chosen = tile.grab().toImage().pixelColor(31, 50);
  EXPECT_NE(free, chosen);
  // The chosen tile is filled with the accent colour, not greyed out.
  EXPECT_GT(chosen.blue(), chosen.red() + 60);
}

TEST(ActionBinding, FollowsTheActionAndTriggersIt) {
  QAction action("&Next");
  TPictureButton button;
  BindToAction(&button, &action);
  EXPECT_EQ(button.text(), "&Next");
  int triggered = 0;
  QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
  button.click();
  EXPECT_EQ(triggered, 1);
  action.setText("Convert");
  action.setEnabled(false);
  EXPECT_EQ(button.text(), "Convert");
  EXPECT_FALSE(button.isEnabled());
  button.click();
  EXPECT_EQ(triggered, 1);
}

}  // namespace
}  // namespace tallowin::ui
