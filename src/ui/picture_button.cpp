#include "ui/picture_button.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStyle>

#include "ui/theme.h"

namespace tallowin::ui {

namespace {

// What a screen reader is told about a picture button. The drawn looks (format tiles, class
// segments) are choices: the window disables the chosen one so that it cannot be chosen twice,
// but to the user it is the selected choice, so it is reported as checked and available.
class TPictureButtonAccessible : public QAccessibleWidget {
 public:
  explicit TPictureButtonAccessible(TPictureButton* button)
      : QAccessibleWidget(button, button->look() == TPictureButton::Look::Picture
                                      ? QAccessible::Button
                                      : QAccessible::RadioButton) {}

  TPictureButton* Button() const { return static_cast<TPictureButton*>(widget()); }
  bool IsChoice() const { return Button()->look() != TPictureButton::Look::Picture; }

  QAccessible::Role role() const override {
    return IsChoice() ? QAccessible::RadioButton : QAccessible::Button;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return AccessibleCaption(*Button());
    if (t == QAccessible::Description && Button()->accessibleDescription().isEmpty())
      return Button()->toolTip();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (IsChoice()) {
      s.checkable = true;
      s.checked = !Button()->isEnabled();
      if (s.checked) s.disabled = false;
    }
    if (Button()->isDown()) s.pressed = true;
    return s;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (Button()->isEnabled()) names << pressAction();
    if (Button()->focusPolicy() != Qt::NoFocus) names << setFocusAction();
    return names;
  }

  void doAction(const QString& action) override {
    if (action == pressAction() && Button()->isEnabled()) {
      Button()->click();
    } else if (action == setFocusAction()) {
      Button()->setFocus();
    }
  }

  QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* PictureButtonAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("tallowin::ui::TPictureButton") && object != nullptr &&
      object->isWidgetType()) {
    return new TPictureButtonAccessible(static_cast<TPictureButton*>(object));
  }
  return nullptr;
}

}  // namespace

QString AccessibleCaption(const TPictureButton& button) {
  if (!button.accessibleName().isEmpty()) return button.accessibleName();
  // "&" marks the accelerator letter; "&&" stands for one ampersand.
  QString caption = button.text();
  caption.replace(QRegularExpression("&(.)"), "\\1");
  caption = caption.trimmed();
  if (caption.isEmpty()) caption = button.toolTip();
  return caption;
}

qreal FitCaptionFont(const std::vector<TPictureButton*>& buttons, bool bold) {
  if (buttons.empty()) return 0;
  QFont f = buttons.front()->font();
  // A font set in pixels has no point size to shrink; such captions keep their size.
  if (f.pointSizeF() <= 0) return 0;
  f.setBold(bold);
  auto fits = [&](const QFont& font) {
    const QFontMetrics metrics(font);
    for (const TPictureButton* b : buttons) {
      const QString shown = QString(b->text()).remove(QRegularExpression("&(?!&)"));
      if (metrics.horizontalAdvance(shown) > b->width() - 6) return false;
    }
    return true;
  };
  while (f.pointSizeF() > 7 && !fits(f)) f.setPointSizeF(f.pointSizeF() - 0.5);
  for (TPictureButton* b : buttons) {
    QFont own = b->font();
    own.setPointSizeF(f.pointSizeF());
    b->setFont(own);
  }
  return f.pointSizeF();
}

TPictureButton::TPictureButton(QWidget* parent) : QAbstractButton(parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(PictureButtonAccessibleFactory);
    return true;
  }();
  (void)factory_installed;
  setAttribute(Qt::WA_Hover);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

void TPictureButton::SetPictures(const QPixmap& normal, const QPixmap& hover,
                                 const QPixmap& pressed, const QPixmap& disabled) {
  normal_ = normal;
  hover_ = hover;
  pressed_ = pressed;
  disabled_ = disabled;
  look_ = Look::Picture;
  if (!normal_.isNull()) resize(normal_.size());
  update();
}

void TPictureButton::SetLook(Look look) {
  look_ = look;
  update();
}

void TPictureButton::SetGlyph(Glyph glyph) {
  glyph_ = glyph;
  update();
}

void TPictureButton::SetTransparent(bool transparent) {
  transparent_ = transparent;
  update();
}

void TPictureButton::SetCaptionColor(const QColor& color) {
  caption_color_ = color;
  update();
}

QSize TPictureButton::sizeHint() const {
  if (!normal_.isNull()) return normal_.size();
  if (look_ == Look::Tile) return {62, 57};
  if (look_ == Look::Segment) return {171, 32};
  return {90, 30};
}

void TPictureButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TPictureButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

const QPixmap& TPictureButton::PictureForState() const {
  if (!isEnabled()) return disabled_.isNull() ? normal_ : disabled_;
  if (isDown()) return pressed_.isNull() ? normal_ : pressed_;
  if (hovered_) return hover_.isNull() ? normal_ : hover_;
  return normal_;
}

void TPictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (look_ == Look::Tile) return PaintTile(painter);
  if (look_ == Look::Segment) return PaintSegment(painter);

  QColor color = caption_color_;
  if (transparent_) {
    // A faint dark shade keeps the caption readable on any background.
    QPainterPath shade;
    shade.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    int alpha = 70;
    if (isEnabled() && isDown()) {
      alpha = 140;
    } else if (isEnabled() && hovered_) {
      alpha = 110;
    }
    painter.fillPath(shade, QColor(15, 23, 42, alpha));
  } else if (!normal_.isNull()) {
    painter.drawPixmap(0, 0, PictureForState());
  } else {
    // No pictures yet: a plain rounded button.
    QPainterPath body;
    body.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.fillPath(body, isDown()   ? Theme::kAccentDark
                           : hovered_ ? Theme::kAccentLight
                                      : Theme::kAccent);
    color = Qt::white;
  }
  if (!isEnabled()) {
    if (transparent_) {
      color.setAlpha(110);
    } else {
      color = QColor(0x94, 0xA3, 0xB8);
    }
  }
  const int shift = isDown() ? 1 : 0;
  PaintCaption(painter, rect().translated(shift, shift), color, false);
  if (hasFocus() && isEnabled()) {
    painter.setPen(QPen(QColor(color.red(), color.green(), color.blue(), 90), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(4.5, 4.5, -4.5, -4.5), 4, 4);
  }
}

void TPictureButton::PaintCaption(QPainter& painter, const QRect& area, const QColor& color,
                                  bool bold) {
  QFont f = font();
  f.setBold(bold);
  // A caption wider than the button gets a smaller font (down to 7 points).
  const QString shown = QString(text()).remove(QRegularExpression("&(?!&)"));
  while (f.pointSizeF() > 7 && QFontMetrics(f).horizontalAdvance(shown) > area.width() - 6) {
    f.setPointSizeF(f.pointSizeF() - 0.5);
  }
  painter.setFont(f);
  painter.setPen(color);
  // "&" marks the accelerator letter; "&&" is drawn as one ampersand.
  style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), true,
                        text());
}

namespace {

void DrawGlyph(QPainter& painter, TPictureButton::Glyph glyph, const QRectF& box,
               const QColor& color) {
  painter.save();
  painter.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  const QPointF c = box.center();
  switch (glyph) {
    case TPictureButton::Glyph::Video: {
      QRectF frame(c.x() - 10, c.y() - 7, 20, 14);
      painter.drawRoundedRect(frame, 3, 3);
      QPainterPath play;
      play.moveTo(c.x() - 3, c.y() - 4);
      play.lineTo(c.x() + 5, c.y());
      play.lineTo(c.x() - 3, c.y() + 4);
      play.closeSubpath();
      painter.fillPath(play, color);
      break;
    }
    case TPictureButton::Glyph::Device: {
      QRectF body(c.x() - 6, c.y() - 9, 12, 18);
      painter.drawRoundedRect(body, 2.5, 2.5);
      painter.drawLine(QPointF(c.x() - 2, c.y() + 6), QPointF(c.x() + 2, c.y() + 6));
      break;
    }
    case TPictureButton::Glyph::MusicPlayer: {
      // A pocket player: small screen above a click wheel.
      painter.drawRoundedRect(QRectF(c.x() - 6.5, c.y() - 10, 13, 20), 3, 3);
      painter.drawRect(QRectF(c.x() - 4, c.y() - 7.5, 8, 5));
      painter.drawEllipse(QPointF(c.x(), c.y() + 4), 3.6, 3.6);
      painter.setBrush(color);
      painter.drawEllipse(QPointF(c.x(), c.y() + 4), 1, 1);
      break;
    }
    case TPictureButton::Glyph::SmartPhone: {
      // Tall phone, almost all screen, a notch at the top.
      painter.drawRoundedRect(QRectF(c.x() - 6, c.y() - 10, 12, 20), 3, 3);
      painter.drawLine(QPointF(c.x() - 2, c.y() - 7.5), QPointF(c.x() + 2, c.y() - 7.5));
      painter.drawEllipse(QPointF(c.x(), c.y() + 7), 0.8, 0.8);
      break;
    }
    case TPictureButton::Glyph::TvBox: {
      // A wide screen on a stand with a small box beneath.
      painter.drawRoundedRect(QRectF(c.x() - 11, c.y() - 9, 22, 13), 2, 2);
      painter.drawLine(QPointF(c.x() - 4, c.y() + 7), QPointF(c.x() + 4, c.y() + 7));
      painter.drawLine(QPointF(c.x(), c.y() + 4), QPointF(c.x(), c.y() + 7));
      painter.drawRoundedRect(QRectF(c.x() - 5, c.y() + 8.5, 10, 2.5), 1, 1);
      break;
    }
    case TPictureButton::Glyph::Handheld: {
      // A wide game console: screen between a cross pad and buttons.
      painter.drawRoundedRect(QRectF(c.x() - 12, c.y() - 6, 24, 12), 6, 6);
      painter.drawRect(QRectF(c.x() - 5, c.y() - 3.5, 10, 7));
      painter.drawLine(QPointF(c.x() - 9.5, c.y()), QPointF(c.x() - 6.5, c.y()));
      painter.drawLine(QPointF(c.x() - 8, c.y() - 1.5), QPointF(c.x() - 8, c.y() + 1.5));
      painter.setBrush(color);
      painter.drawEllipse(QPointF(c.x() + 8, c.y() - 1.2), 0.9, 0.9);
      painter.drawEllipse(QPointF(c.x() + 8, c.y() + 1.8), 0.9, 0.9);
      break;
    }
    case TPictureButton::Glyph::KeyboardPhone: {
      // Screen on top, rows of keys below.
      painter.drawRoundedRect(QRectF(c.x() - 7, c.y() - 10, 14, 20), 2.5, 2.5);
      painter.drawRect(QRectF(c.x() - 4.5, c.y() - 7.5, 9, 6));
      painter.setBrush(color);
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
          painter.drawEllipse(QPointF(c.x() - 3 + col * 3, c.y() + 1.5 + row * 2.6), 0.6, 0.6);
        }
      }
      break;
    }
    case TPictureButton::Glyph::FeaturePhone: {
      // A bar phone with an antenna and a key pad.
      painter.drawRoundedRect(QRectF(c.x() - 5.5, c.y() - 7, 11, 17), 2, 2);
      painter.drawLine(QPointF(c.x() + 3, c.y() - 7), QPointF(c.x() + 3, c.y() - 11));
      painter.drawRect(QRectF(c.x() - 3.5, c.y() - 5, 7, 5));
      painter.drawLine(QPointF(c.x() - 3, c.y() + 3), QPointF(c.x() + 3, c.y() + 3));
      painter.drawLine(QPointF(c.x() - 3, c.y() + 6), QPointF(c.x() + 3, c.y() + 6));
      break;
    }
    case TPictureButton::Glyph::Tablet: {
      // A large flat screen with a home button.
      painter.drawRoundedRect(QRectF(c.x() - 9, c.y() - 11, 18, 22), 2.5, 2.5);
      painter.drawRect(QRectF(c.x() - 7, c.y() - 9, 14, 16));
      painter.drawEllipse(QPointF(c.x(), c.y() + 9), 0.9, 0.9);
      break;
    }
    case TPictureButton::Glyph::Robot: {
      // A little robot's head with feelers.
      QPainterPath head;
      head.moveTo(c.x() - 8, c.y() + 2);
      head.arcTo(QRectF(c.x() - 8, c.y() - 8, 16, 16), 180, -180);
      head.closeSubpath();
      painter.drawPath(head);
      painter.drawLine(QPointF(c.x() - 4, c.y() - 6), QPointF(c.x() - 6.5, c.y() - 10));
      painter.drawLine(QPointF(c.x() + 4, c.y() - 6), QPointF(c.x() + 6.5, c.y() - 10));
      painter.drawRoundedRect(QRectF(c.x() - 8, c.y() + 3.5, 16, 6), 1.5, 1.5);
      painter.setBrush(color);
      painter.drawEllipse(QPointF(c.x() - 3, c.y() - 2), 1, 1);
      painter.drawEllipse(QPointF(c.x() + 3, c.y() - 2), 1, 1);
      break;
    }
    case TPictureButton::Glyph::Audio: {
      painter.setBrush(color);
      painter.drawEllipse(QPointF(c.x() - 4, c.y() + 5), 3.2, 2.6);
      painter.drawEllipse(QPointF(c.x() + 6, c.y() + 3), 3.2, 2.6);
      painter.setBrush(Qt::NoBrush);
      painter.drawLine(QPointF(c.x() - 1, c.y() + 5), QPointF(c.x() - 1, c.y() - 8));
      painter.drawLine(QPointF(c.x() + 9, c.y() + 3), QPointF(c.x() + 9, c.y() - 10));
      painter.drawLine(QPointF(c.x() - 1, c.y() - 8), QPointF(c.x() + 9, c.y() - 10));
      break;
    }
    case TPictureButton::Glyph::None:
      break;
  }
  painter.restore();
}

}  // namespace

void TPictureButton::PaintTile(QPainter& painter) {
  // A disabled tile is the current choice.
  const bool chosen = !isEnabled();
  const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
  QPainterPath body;
  body.addRoundedRect(box, 7, 7);
  QColor fill = Qt::white;
  QColor border = Theme::kBorder;
  QColor ink = Theme::kText;
  if (chosen) {
    fill = Theme::kAccent;
    border = Theme::kAccentDark;
    ink = Qt::white;
  } else if (isDown()) {
    fill = Theme::kAccentPale.darker(108);
    border = Theme::kAccent;
  } else if (hovered_) {
    fill = Theme::kAccentPale;
    border = Theme::kAccentLight;
  }
  painter.fillPath(body, fill);
  painter.setPen(QPen(border, 1));
  painter.drawPath(body);
  if (glyph_ != Glyph::None) {
    DrawGlyph(painter, glyph_, QRectF(box.left(), box.top() + 4, box.width(), 24),
              chosen ? QColor(Qt::white) : Theme::kAccent);
    PaintCaption(painter, QRect(0, height() - 26, width(), 22), ink, true);
  } else {
    PaintCaption(painter, rect(), ink, true);
  }
}

void TPictureButton::PaintSegment(QPainter& painter) {
  const bool chosen = !isEnabled();
  const QRectF box = QRectF(rect()).adjusted(1, 1, -3, -1);
  QPainterPath body;
  body.addRoundedRect(box, 6, 6);
  QColor fill = Theme::kPanel;
  QColor ink = Theme::kText;
  if (chosen) {
    fill = Theme::kAccent;
    ink = Qt::white;
  } else if (isDown()) {
    fill = Theme::kAccentPale.darker(108);
  } else if (hovered_) {
    fill = Theme::kAccentPale;
  }
  painter.fillPath(body, fill);
  painter.setPen(QPen(chosen ? Theme::kAccentDark : Theme::kBorder, 1));
  painter.drawPath(body);
  if (glyph_ != Glyph::None) {
    DrawGlyph(painter, glyph_, QRectF(box.left() + 8, box.top(), 26, box.height()),
              chosen ? QColor(Qt::white) : Theme::kAccent);
  }
  PaintCaption(painter, rect().adjusted(glyph_ != Glyph::None ? 18 : 0, 0, 0, 0), ink, true);
}

}  // namespace tallowin::ui
