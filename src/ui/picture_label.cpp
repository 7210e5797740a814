#include "ui/picture_label.h"

#include <QMouseEvent>

namespace tallowin::ui {

TImage::TImage(QWidget* parent) : QLabel(parent) {}

void TImage::SetPicture(const QPixmap& picture) {
  setPixmap(picture);
  if (!picture.isNull()) resize(picture.size());
}

void TImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    emit LeftPressed();
  }
  QLabel::mousePressEvent(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
  const bool was_pressed = pressed_;
  pressed_ = false;
  if (event->button() == Qt::LeftButton && was_pressed && rect().contains(event->pos())) {
    emit Clicked();
  }
  QLabel::mouseReleaseEvent(event);
}

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  setProperty("role", "link");
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->pos())) emit Clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace tallowin::ui
