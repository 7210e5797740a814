#include "ui/skin_form.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tallowin::ui {

TSkinForm::TSkinForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSkinForm::SetSkinPicture(const QPixmap& picture, QColor transparent) {
  picture_ = picture;
  if (picture_.isNull()) {
    clearMask();
    update();
    return;
  }
  setFixedSize(picture_.size());
  const QImage image = picture_.toImage().convertToFormat(QImage::Format_RGB32);
  // As a bitmap, this image has its clear bits exactly on the transparent colour.
  const QImage cut = image.createMaskFromColor(transparent.rgb(), Qt::MaskInColor);
  // A picture without any transparent pixel needs no shape.
  bool any_transparent = false;
  const QRgb key = transparent.rgb() | 0xFF000000u;
  for (int y = 0; y < image.height() && !any_transparent; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if ((line[x] | 0xFF000000u) == key) {
        any_transparent = true;
        break;
      }
    }
  }
  if (any_transparent) {
    setMask(QBitmap::fromImage(cut));
  } else {
    clearMask();
  }
  update();
}

void TSkinForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture_.isNull()) {
    painter.drawPixmap(0, 0, picture_);
    return;
  }
  // No skin picture: a plain light frame with a darker header band.
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), QColor(0xF4, 0xF6, 0xF9));
  QLinearGradient header(0, 0, 0, 70);
  header.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
  header.setColorAt(1, QColor(0x2E, 0x6B, 0xB8));
  painter.fillRect(QRect(0, 0, width(), 70), header);
  painter.setPen(QColor(0xC8, 0xCF, 0xD8));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tallowin::ui
