// A button drawn from pictures (normal, mouse-over, pressed, disabled) with its caption drawn on
// top, or, without pictures, drawn as a flat tile (format choices) or a segment (class choices).
// In the drawn looks a disabled button shows as the current choice: the windows disable the
// button of the selected format so that it cannot be chosen twice.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace tallowin::ui {

class TPictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Look { Picture, Tile, Segment };
  // A small symbol drawn above the caption of a tile.
  enum class Glyph { None, Video, Device, Audio };

  explicit TPictureButton(QWidget* parent = nullptr);

  // Pictures for the four states; a null picture falls back to the normal one. The button takes
  // the normal picture's size.
  void SetPictures(const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed,
                   const QPixmap& disabled = QPixmap());
  bool HasPictures() const { return !normal_.isNull(); }

  void SetLook(Look look);
  Look look() const { return look_; }
  void SetGlyph(Glyph glyph);
  // Transparent buttons draw no picture, only their caption (and a light hover shade).
  void SetTransparent(bool transparent);
  bool IsTransparent() const { return transparent_; }
  void SetCaptionColor(const QColor& color);
  QColor CaptionColor() const { return caption_color_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  const QPixmap& PictureForState() const;
  void PaintTile(class QPainter& painter);
  void PaintSegment(class QPainter& painter);
  void PaintCaption(class QPainter& painter, const QRect& area, const QColor& color, bool bold);

  QPixmap normal_, hover_, pressed_, disabled_;
  Look look_ = Look::Picture;
  Glyph glyph_ = Glyph::None;
  bool transparent_ = false;
  bool hovered_ = false;
  QColor caption_color_{0x1E, 0x29, 0x3B};
};

}  // namespace tallowin::ui
