// How the program's message boxes look: the dialog style, the skin's symbols, buttons without
// stock pictures and a width that keeps the title whole.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "support/test_support.h"

namespace tallowin::test {
namespace {

class MessageBoxStyleTest : public ::testing::Test {
 protected:
  void SetUp() override { GlobalVars().ResourceDir = (BinDir() / "sounds/skin0").string() + "/"; }
  void TearDown() override { ResetGlobalVars(); }
};

TEST_F(MessageBoxStyleTest, SkinSymbolsForEveryKind) {
  for (MessageKind kind : {MessageKind::Warning, MessageKind::Error, MessageKind::Information,
                           MessageKind::Confirmation}) {
    const QPixmap symbol = DialogIconPicture(kind, 40);
    ASSERT_FALSE(symbol.isNull()) << static_cast<int>(kind);
    EXPECT_EQ(symbol.size(), QSize(40, 40));
  }
  // Different kinds are told apart by their pictures.
  EXPECT_NE(DialogIconPicture(MessageKind::Warning, 40).toImage(),
            DialogIconPicture(MessageKind::Error, 40).toImage());
  EXPECT_TRUE(DialogIconPicture(MessageKind::Custom, 40).isNull());
  // A skin without the pictures leaves the platform's symbols in place.
  GlobalVars().ResourceDir = "/nonexistent/skin/";
  EXPECT_TRUE(DialogIconPicture(MessageKind::Warning, 40).isNull());
  GlobalVars().ResourceDir.clear();
  EXPECT_TRUE(DialogIconPicture(MessageKind::Warning, 40).isNull());
}

TEST_F(MessageBoxStyleTest, WideEnoughForItsTitleAndWithoutStockPictures) {
  QMessageBox box(QMessageBox::Question, "Tallowin Video Converter", "Are you sure to quit now?",
                  QMessageBox::Yes | QMessageBox::No);
  StyleMessageBox(box, MessageKind::Confirmation);
  box.show();
  QApplication::processEvents();
  EXPECT_GE(box.width(), MessageBoxMinimumWidth(box.windowTitle(), box.font()));
  EXPECT_GE(MessageBoxMinimumWidth(box.windowTitle(), box.font()),
            box.fontMetrics().horizontalAdvance(box.windowTitle()));
  for (QAbstractButton* button : box.buttons()) EXPECT_TRUE(button->icon().isNull());
  EXPECT_FALSE(box.iconPixmap().isNull());
  EXPECT_EQ(box.iconPixmap().toImage(), DialogIconPicture(MessageKind::Confirmation, 40).toImage());
  EXPECT_FALSE(box.styleSheet().isEmpty());
  // A longer title makes the box wider.
  QMessageBox longer(QMessageBox::Information, QString(60, 'W'), "x", QMessageBox::Ok);
  StyleMessageBox(longer, MessageKind::Information);
  EXPECT_GT(longer.sizeHint().width(), box.sizeHint().width());
  box.hide();
}

}  // namespace
}  // namespace tallowin::test
