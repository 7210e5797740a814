#include "skin_painter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "palette.h"
#include "skin_layout.h"

namespace tallowin::assets {
namespace {

using L = SkinLayout;
using P = Palette;

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// The title band's colour on row y; caption buttons repeat it row by row so they blend in.
QColor BandColorAt(int y) {
  return Mix(P::kBandTop, P::kBandBottom, static_cast<double>(y) / (L::kBandHeight - 1));
}

QColor Alpha(QColor color, int alpha) {
  color.setAlpha(alpha);
  return color;
}

QImage NewImage(int width, int height, bool alpha) {
  QImage image(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(alpha ? Qt::transparent : P::kPanel);
  return image;
}

QFont SansFont(double pixel_size, int weight) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(static_cast<int>(pixel_size));
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

void PaintPlayTriangle(QPainter& painter, const QPointF& center, double size, const QColor& color) {
  QPainterPath triangle;
  triangle.moveTo(center.x() - size * 0.38, center.y() - size * 0.5);
  triangle.lineTo(center.x() + size * 0.52, center.y());
  triangle.lineTo(center.x() - size * 0.38, center.y() + size * 0.5);
  triangle.closeSubpath();
  QPainterPathStroker stroker;
  stroker.setWidth(size * 0.12);
  stroker.setJoinStyle(Qt::RoundJoin);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawPath(triangle.united(stroker.createStroke(triangle)));
}

// An arc with an arrow head at its end, angles in degrees (Qt convention).
void PaintArrowArc(QPainter& painter, const QRectF& circle, double start, double span, double width,
                   const QColor& color) {
  QPen pen(color, width, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(circle, static_cast<int>(start * 16), static_cast<int>(span * 16));
  double end = (start + span) * M_PI / 180.0;
  QPointF c = circle.center();
  double r = circle.width() / 2;
  QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
  // Tangent direction of travel (counter-clockwise for positive spans).
  double sign = span >= 0 ? 1.0 : -1.0;
  QPointF dir(-std::sin(end) * sign, -std::cos(end) * sign);
  QPointF normal(-dir.y(), dir.x());
  double head = width * 2.1;
  QPainterPath arrow;
  arrow.moveTo(tip + dir * head);
  arrow.lineTo(tip + normal * head * 0.85);
  arrow.lineTo(tip - normal * head * 0.85);
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawPath(arrow);
}

void PaintSoftShadow(QPainter& painter, const QRectF& rect, double radius, int strength) {
  painter.setPen(Qt::NoPen);
  for (int i = 4; i >= 1; --i) {
    painter.setBrush(Alpha(QColor(15, 23, 42), strength / (i + 1)));
    painter.drawRoundedRect(rect.adjusted(-i / 2.0, 0, i / 2.0, i), radius + i / 2.0,
                            radius + i / 2.0);
  }
}

}  // namespace

void PaintMark(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  double radius = box.width() * 0.24;
  QLinearGradient fill(box.topLeft(), box.bottomRight());
  fill.setColorAt(0.0, QColor(0x38, 0xBD, 0xF8));
  fill.setColorAt(0.55, P::kAccent);
  fill.setColorAt(1.0, P::kViolet);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(box, radius, radius);
  // A soft light from the top.
  QLinearGradient gloss(box.topLeft(), box.bottomLeft());
  gloss.setColorAt(0.0, QColor(255, 255, 255, 70));
  gloss.setColorAt(0.5, QColor(255, 255, 255, 0));
  painter.setBrush(gloss);
  painter.drawRoundedRect(box, radius, radius);
  QPointF center = box.center();
  double s = box.width();
  QRectF ring(center.x() - s * 0.31, center.y() - s * 0.31, s * 0.62, s * 0.62);
  if (s < 20) {
    PaintPlayTriangle(painter, center + QPointF(s * 0.04, 0), s * 0.46, Qt::white);
    painter.restore();
    return;
  }
  double pen = std::max(1.2, s * 0.065);
  PaintArrowArc(painter, ring, 100, 120, pen, QColor(255, 255, 255, 235));
  PaintArrowArc(painter, ring, 280, 120, pen, QColor(255, 255, 255, 235));
  PaintPlayTriangle(painter, center + QPointF(s * 0.02, 0), s * 0.30, Qt::white);
  painter.restore();
}

QImage PaintMainBackground() {
  QImage image(L::kWidth, L::kHeight, QImage::Format_RGB32);
  image.fill(P::kFuchsia);
  const QRectF frame(0.5, 0.5, L::kWidth - 1, L::kHeight - 1);
  QPainterPath shape;
  shape.addRoundedRect(frame, L::kCornerRadius, L::kCornerRadius);

  QPainter painter(&image);
  // The window's own pixels; anti-aliasing stays off at the outline so that the transparent
  // colour is exact and no pink fringe appears.
  painter.setClipPath(shape);
  painter.fillRect(image.rect(), P::kPanel);
  for (int y = 0; y < L::kBandHeight; ++y) painter.fillRect(0, y, L::kWidth, 1, BandColorAt(y));
  painter.fillRect(0, L::kBandHeight, L::kWidth, L::kStripBottom - L::kBandHeight, P::kTitleStrip);
  painter.fillRect(0, L::kStripBottom - 1, L::kWidth, 1, P::kBorder);

  painter.setRenderHint(QPainter::Antialiasing);
  // The page card.
  QRectF card(L::kCardLeft, L::kStripBottom + 2, L::kCardRight - L::kCardLeft,
              L::kCardBottom - L::kStripBottom - 6);
  PaintSoftShadow(painter, card, 8, 40);
  painter.setBrush(P::kSurface);
  painter.setPen(QPen(P::kBorder, 1));
  painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

  // The bottom bar.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(0, L::kCardBottom, L::kWidth, L::kHeight - L::kCardBottom,
                   QColor(0xE9, 0xEE, 0xF4));
  painter.fillRect(0, L::kCardBottom, L::kWidth, 1, P::kBorder);
  painter.fillRect(0, L::kCardBottom + 1, L::kWidth, 1, QColor(255, 255, 255));

  // The frame line, drawn inside the shape.
  painter.setClipping(false);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  // Dark blue beside the title band, grey below it.
  QLinearGradient frame_colour(0, 0, 0, L::kHeight);
  const double band_end = static_cast<double>(L::kBandHeight) / L::kHeight;
  frame_colour.setColorAt(0, P::kAccentDark);
  frame_colour.setColorAt(band_end, P::kAccentDark);
  frame_colour.setColorAt(band_end + 0.001, P::kFrame);
  frame_colour.setColorAt(1, P::kFrame);
  painter.setPen(QPen(QBrush(frame_colour), 1));
  painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), L::kCornerRadius - 0.5,
                          L::kCornerRadius - 0.5);
  painter.end();

  // Anti-aliased frame pixels that fell outside the shape would blend with fuchsia: make every
  // pixel either exactly fuchsia or free of it.
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (row[x] == P::kFuchsia.rgb()) continue;
      if (!shape.contains(QPointF(x + 0.5, y + 0.5)))
        row[x] = P::kFuchsia.rgb();
      else if (qRed(row[x]) > 200 && qBlue(row[x]) > 200 && qGreen(row[x]) < 120)
        row[x] = P::kFrame.rgb();
    }
  }
  return image;
}

QImage PaintCaptionButton(bool close, ButtonState state) {
  QImage image(L::kCaptionButtonWidth, L::kCaptionButtonHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  for (int y = 0; y < image.height(); ++y)
    painter.fillRect(0, y, image.width(), 1, BandColorAt(L::kCaptionButtonTop + y));
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF plate(1.5, 1.5, image.width() - 3, image.height() - 3);
  painter.setPen(Qt::NoPen);
  if (state == ButtonState::Hover) {
    painter.setBrush(close ? P::kCoral : QColor(255, 255, 255, 56));
    painter.drawRoundedRect(plate, 5, 5);
  } else if (state == ButtonState::Pressed) {
    painter.setBrush(close ? QColor(0xBE, 0x12, 0x3C) : QColor(15, 23, 42, 70));
    painter.drawRoundedRect(plate, 5, 5);
  }
  QPen glyph(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(glyph);
  QPointF c(image.width() / 2.0, image.height() / 2.0);
  if (state == ButtonState::Pressed) c += QPointF(0, 0.5);
  if (close) {
    painter.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
    painter.drawLine(c + QPointF(-4.5, 4.5), c + QPointF(4.5, -4.5));
  } else {
    painter.drawLine(c + QPointF(-5, 0.5), c + QPointF(5, 0.5));
  }
  return image;
}

QImage PaintBottomButton(ButtonState state) {
  QImage image(L::kBottomButtonWidth, L::kBottomButtonHeight, QImage::Format_RGB32);
  image.fill(QColor(0xE9, 0xEE, 0xF4));  // the bottom bar behind the corners
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF body(0.5, 0.5, image.width() - 1, image.height() - 2);
  QColor top, bottom, border;
  switch (state) {
    case ButtonState::Normal:
      top = QColor(0xFF, 0xFF, 0xFF);
      bottom = QColor(0xF1, 0xF5, 0xF9);
      border = QColor(0xB8, 0xC4, 0xD4);
      break;
    case ButtonState::Hover:
      top = QColor(0xF5, 0xF8, 0xFF);
      bottom = QColor(0xDB, 0xE7, 0xFE);
      border = QColor(0x60, 0x8F, 0xF5);
      break;
    case ButtonState::Pressed:
      top = QColor(0xC7, 0xD7, 0xFB);
      bottom = QColor(0xDB, 0xE7, 0xFE);
      border = QColor(0x25, 0x63, 0xEB);
      break;
    case ButtonState::Disabled:
      top = QColor(0xF3, 0xF5, 0xF8);
      bottom = QColor(0xF3, 0xF5, 0xF8);
      border = QColor(0xD5, 0xDC, 0xE5);
      break;
  }
  // A one-pixel shadow under raised states.
  if (state == ButtonState::Normal || state == ButtonState::Hover) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(15, 23, 42, 28));
    painter.drawRoundedRect(body.translated(0, 1), 6, 6);
  }
  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  painter.setBrush(fill);
  painter.setPen(QPen(border, 1));
  painter.drawRoundedRect(body, 6, 6);
  if (state == ButtonState::Pressed) {
    painter.setPen(QPen(QColor(30, 64, 175, 50), 1));
    painter.drawLine(QPointF(6, 2), QPointF(image.width() - 6, 2));
  }
  return image;
}

QImage PaintTopLogo(const QString& title) {
  QImage image = NewImage(L::kTopLogoWidth, L::kBandHeight, true);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  PaintMark(painter, QRectF(12, 6, 24, 24));
  painter.setFont(SansFont(15, QFont::Bold));
  painter.setPen(Qt::white);
  painter.drawText(QRectF(44, 0, L::kTopLogoWidth - 48, L::kBandHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, title);
  return image;
}

QImage PaintLeftLogo() {
  const int w = L::kLeftLogoWidth, h = L::kLeftLogoHeight;
  QImage image = NewImage(w, h, true);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF card(1, 1, w - 2, h - 3);
  PaintSoftShadow(painter, card, 12, 36);
  QLinearGradient fill(card.topLeft(), card.bottomRight());
  fill.setColorAt(0.0, QColor(0x1D, 0x4E, 0xD8));
  fill.setColorAt(0.55, QColor(0x4F, 0x46, 0xE5));
  fill.setColorAt(1.0, QColor(0x0F, 0x76, 0x6E));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(card, 12, 12);

  QPainterPath clip;
  clip.addRoundedRect(card, 12, 12);
  painter.setClipPath(clip);
  // Soft light circles.
  for (const auto& [x, y, r, a] :
       {std::tuple{150.0, 40.0, 110.0, 40}, {10.0, 250.0, 90.0, 26}, {140.0, 330.0, 70.0, 22}}) {
    QRadialGradient light(QPointF(x, y), r);
    light.setColorAt(0, QColor(255, 255, 255, a));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(light);
    painter.drawEllipse(QPointF(x, y), r, r);
  }

  // A large play disc with turning arrows.
  QPointF disc(w / 2.0, 112);
  painter.setBrush(QColor(255, 255, 255, 38));
  painter.drawEllipse(disc, 58, 58);
  painter.setBrush(QColor(255, 255, 255, 60));
  painter.drawEllipse(disc, 44, 44);
  PaintArrowArc(painter, QRectF(disc.x() - 58, disc.y() - 58, 116, 116), 110, 110, 4.5,
                QColor(255, 255, 255, 230));
  PaintArrowArc(painter, QRectF(disc.x() - 58, disc.y() - 58, 116, 116), 290, 110, 4.5,
                QColor(255, 255, 255, 230));
  PaintPlayTriangle(painter, disc + QPointF(4, 0), 36, Qt::white);

  // A sound wave under it.
  const int bars = 19;
  double left = 22, span = w - 44, base = 222;
  for (int i = 0; i < bars; ++i) {
    double t = static_cast<double>(i) / (bars - 1);
    double amp = 6 + 24 * std::pow(std::sin(t * M_PI), 1.5) * (0.6 + 0.4 * std::cos(t * 17.0));
    double x = left + t * span;
    painter.setBrush(QColor(255, 255, 255, 150 + static_cast<int>(80 * std::sin(t * M_PI))));
    painter.drawRoundedRect(QRectF(x - 2, base - amp, 4, amp * 2), 2, 2);
  }

  // A tilted film strip at the bottom.
  painter.save();
  painter.translate(w / 2.0, 318);
  painter.rotate(-8);
  QRectF strip(-110, -26, 220, 52);
  painter.setBrush(QColor(15, 23, 42, 120));
  painter.drawRect(strip);
  painter.setBrush(QColor(255, 255, 255, 200));
  for (double x = -106; x < 110; x += 14) {
    painter.drawRoundedRect(QRectF(x, -22, 7, 6), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(x, 16, 7, 6), 1.5, 1.5);
  }
  const QColor frames[] = {QColor(0x38, 0xBD, 0xF8), QColor(0xA7, 0x8B, 0xFA),
                           QColor(0x2D, 0xD4, 0xBF), QColor(0xFB, 0xBF, 0x24)};
  for (int i = 0; i < 4; ++i) {
    QRectF frame(-100 + i * 51, -12, 45, 24);
    QLinearGradient shade(frame.topLeft(), frame.bottomRight());
    shade.setColorAt(0, frames[i].lighter(125));
    shade.setColorAt(1, frames[i]);
    painter.setBrush(shade);
    painter.drawRoundedRect(frame, 3, 3);
  }
  painter.restore();
  return image;
}

QImage PaintDownloadPicture() {
  const int w = L::kModePictureWidth, h = L::kModePictureHeight;
  QImage image = NewImage(w, h, true);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF tile(14, 6, 100, 82);
  PaintSoftShadow(painter, tile, 16, 50);
  QLinearGradient fill(tile.topLeft(), tile.bottomRight());
  fill.setColorAt(0, P::kOrange);
  fill.setColorAt(1, P::kCoral);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(tile, 16, 16);
  // A video window with a play sign.
  QRectF screen(34, 16, 60, 38);
  painter.setBrush(QColor(255, 255, 255, 235));
  painter.drawRoundedRect(screen, 8, 8);
  PaintPlayTriangle(painter, screen.center() + QPointF(1, 0), 15, P::kCoral);
  // A download arrow into a tray.
  QPen pen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(QPointF(64, 58), QPointF(64, 76));
  QPainterPath head;
  head.moveTo(55, 69);
  head.lineTo(64, 78);
  head.lineTo(73, 69);
  painter.drawPath(head);
  QPainterPath tray;
  tray.moveTo(42, 72);
  tray.lineTo(42, 81);
  tray.lineTo(86, 81);
  tray.lineTo(86, 72);
  painter.setPen(QPen(QColor(255, 255, 255, 210), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(tray);
  return image;
}

QImage PaintConvertPicture() {
  const int w = L::kModePictureWidth, h = L::kModePictureHeight;
  QImage image = NewImage(w, h, true);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF tile(14, 6, 100, 82);
  PaintSoftShadow(painter, tile, 16, 50);
  QLinearGradient fill(tile.topLeft(), tile.bottomRight());
  fill.setColorAt(0, QColor(0x38, 0xBD, 0xF8));
  fill.setColorAt(0.5, P::kAccent);
  fill.setColorAt(1, P::kViolet);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(tile, 16, 16);
  // A film frame on the left.
  QRectF film(26, 24, 32, 40);
  painter.setBrush(QColor(255, 255, 255, 235));
  painter.drawRoundedRect(film, 4, 4);
  painter.setBrush(P::kAccent);
  for (int i = 0; i < 4; ++i) {
    painter.drawRect(QRectF(28.5, 27 + i * 9.5, 4, 5));
    painter.drawRect(QRectF(51.5, 27 + i * 9.5, 4, 5));
  }
  PaintPlayTriangle(painter, film.center() + QPointF(1, 0), 11, P::kViolet);
  // A music note on the right.
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPointF(83, 61), 7.5, 6);
  painter.drawEllipse(QPointF(101, 56), 7.5, 6);
  painter.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(89.8, 61), QPointF(89.8, 28));
  painter.drawLine(QPointF(107.8, 56), QPointF(107.8, 23));
  painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(89.8, 30), QPointF(107.8, 25));
  // An arrow from the film to the note.
  painter.setPen(QPen(QColor(255, 255, 255, 220), 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(62, 44), QPointF(71, 44));
  QPainterPath head;
  head.moveTo(68, 39.5);
  head.lineTo(73, 44);
  head.lineTo(68, 48.5);
  painter.drawPath(head);
  return image;
}

QString DialogIconFileName(DialogIcon kind) {
  switch (kind) {
    case DialogIcon::Question:
      return QStringLiteral("msg_question.png");
    case DialogIcon::Information:
      return QStringLiteral("msg_information.png");
    case DialogIcon::Warning:
      return QStringLiteral("msg_warning.png");
    case DialogIcon::Error:
      return QStringLiteral("msg_error.png");
  }
  return {};
}

QImage PaintDialogIcon(DialogIcon kind, int size) {
  QImage image = NewImage(size, size, true);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const double s = size;
  const QRectF box(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
  QColor top = P::kAccent.lighter(118), bottom = P::kAccentDark;
  if (kind == DialogIcon::Warning) {
    top = QColor(0xFB, 0xBF, 0x24);
    bottom = QColor(0xD9, 0x77, 0x06);
  } else if (kind == DialogIcon::Error) {
    top = QColor(0xF8, 0x71, 0x71);
    bottom = QColor(0xDC, 0x26, 0x26);
  }
  QLinearGradient fill(0, box.top(), 0, box.bottom());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  if (kind == DialogIcon::Warning) {
    // A rounded triangle.
    QPainterPath triangle;
    triangle.moveTo(s * 0.5, s * 0.08);
    triangle.lineTo(s * 0.95, s * 0.88);
    triangle.lineTo(s * 0.05, s * 0.88);
    triangle.closeSubpath();
    painter.setPen(QPen(QBrush(fill), s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(triangle);
  } else {
    painter.drawEllipse(box);
  }
  painter.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  switch (kind) {
    case DialogIcon::Error:
      painter.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
      painter.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
      break;
    case DialogIcon::Warning:
      painter.drawLine(QPointF(s * 0.5, s * 0.36), QPointF(s * 0.5, s * 0.6));
      painter.drawPoint(QPointF(s * 0.5, s * 0.76));
      break;
    case DialogIcon::Information:
      painter.drawLine(QPointF(s * 0.5, s * 0.46), QPointF(s * 0.5, s * 0.72));
      painter.drawPoint(QPointF(s * 0.5, s * 0.29));
      break;
    case DialogIcon::Question: {
      QPainterPath hook;
      hook.moveTo(s * 0.37, s * 0.38);
      hook.cubicTo(s * 0.37, s * 0.22, s * 0.64, s * 0.22, s * 0.63, s * 0.38);
      hook.cubicTo(s * 0.62, s * 0.48, s * 0.5, s * 0.48, s * 0.5, s * 0.58);
      painter.drawPath(hook);
      painter.drawPoint(QPointF(s * 0.5, s * 0.74));
      break;
    }
  }
  return image;
}

QImage PaintAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  double margin = size >= 48 ? size * 0.06 : size * 0.03;
  PaintMark(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
  return image;
}

}  // namespace tallowin::assets
