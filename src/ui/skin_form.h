// A borderless window drawn from a background picture. Pixels of the picture's transparent colour
// (fuchsia by default) are cut out of the window's shape.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace tallowin::ui {

class TSkinForm : public QWidget {
  Q_OBJECT

 public:
  explicit TSkinForm(QWidget* parent = nullptr);

  // Sets the background picture; the window takes the picture's size and keeps it. Pixels of
  // `transparent` are left out of the window's shape. A null picture restores the drawn frame.
  void SetSkinPicture(const QPixmap& picture, QColor transparent = QColor(0xFF, 0x00, 0xFF));
  const QPixmap& SkinPicture() const { return picture_; }
  bool HasSkinPicture() const { return !picture_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

}  // namespace tallowin::ui
