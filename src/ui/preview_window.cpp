#include "ui/preview_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <memory>

namespace tallowin::ui {

QImage BitmapToImage(const media::TBitmap& bitmap) {
  if (bitmap.Empty() || !media::TBitmap::ValidDepth(bitmap.BitsPerPixel) ||
      bitmap.Stride < media::TBitmap::StrideFor(bitmap.Width, bitmap.BitsPerPixel) ||
      bitmap.Pixels.size() < static_cast<size_t>(bitmap.Stride) * bitmap.Height)
    return QImage();
  QImage::Format format = QImage::Format_BGR888;
  switch (bitmap.BitsPerPixel) {
    case 8:
      format = QImage::Format_Indexed8;
      break;
    case 15:
      format = QImage::Format_RGB555;
      break;
    case 16:
      format = QImage::Format_RGB16;
      break;
    case 32:
      format = QImage::Format_RGB32;
      break;
  }
  QImage image(bitmap.Width, bitmap.Height, format);
  if (format == QImage::Format_Indexed8) {
    QList<QRgb> colors(256);
    for (int v = 0; v < 256; ++v)
      colors[v] = 0xff000000u | media::TBitmap::EightBitColor(static_cast<std::uint8_t>(v));
    image.setColorTable(colors);
  }
  const size_t row_bytes =
      static_cast<size_t>(bitmap.Width) * media::TBitmap::BytesPerPixel(bitmap.BitsPerPixel);
  for (int y = 0; y < bitmap.Height; ++y)
    std::copy_n(bitmap.TopRow(y), row_bytes, image.scanLine(y));
  return image;
}

TPreviewWindow::TPreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_ShowWithoutActivating);
}

TPreviewWindow::~TPreviewWindow() = default;

void TPreviewWindow::ShowPicture(const media::TBitmap& bitmap, const std::string& caption) {
  if (closed_by_user_) return;
  picture_ = BitmapToImage(bitmap);
  setWindowTitle(QString::fromStdString(caption));
  if (!picture_.isNull() && size() != picture_.size()) setFixedSize(picture_.size());
  if (!shown_once_) {
    shown_once_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
  }
  update();
}

void TPreviewWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull())
    painter.fillRect(rect(), Qt::black);
  else
    painter.drawImage(QPoint(0, 0), picture_);
}

void TPreviewWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // Moved as if the title bar had been grabbed; by hand where the platform cannot.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TPreviewWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton))
    move(event->globalPosition().toPoint() - drag_offset_);
}

void TPreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void TPreviewWindow::closeEvent(QCloseEvent* event) {
  // Hidden, not destroyed: the task lets it go with its next picture.
  closed_by_user_ = true;
  hide();
  event->ignore();
}

void RegisterPreviewWindow() {
  media::SetPreviewWindowFactory(
      [] { return std::unique_ptr<media::IPreviewWindow>(std::make_unique<TPreviewWindow>()); });
}

}  // namespace tallowin::ui
