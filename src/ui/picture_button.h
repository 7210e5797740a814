// A button drawn from pictures (normal, mouse-over, pressed, disabled) with its caption drawn on
// top, or, without pictures, drawn as a flat tile (format choices) or a segment (class choices).
// In the drawn looks a disabled button shows as the current choice: the windows disable the
// button of the selected format so that it cannot be chosen twice.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <vector>

namespace tallowin::ui {

class TPictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Look { Picture, Tile, Segment };
  // A small symbol drawn above the caption of a tile.
  // The device glyphs each draw their own kind of device.
  enum class Glyph {
    None,
    Video,
    Device,
    Audio,
    MusicPlayer,
    SmartPhone,
    TvBox,
    Handheld,
    KeyboardPhone,
    FeaturePhone,
    Tablet,
    Robot
  };

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

// The name a screen reader speaks for `button`: its accessible name, else its caption without
// the accelerator marks, else its tool tip.
QString AccessibleCaption(const TPictureButton& button);

// Gives every button of `buttons` the same caption font: the buttons' own font, made smaller
// (down to 7 points) until the widest caption fits its button. Returns the point size used (0
// when there are no buttons or their font is set in pixels, which is then left alone).
qreal FitCaptionFont(const std::vector<TPictureButton*>& buttons, bool bold);

}  // namespace tallowin::ui
