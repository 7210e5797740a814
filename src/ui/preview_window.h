// The preview window of a running conversion: a small top-most tool window with only a close
// box, sized to the picture, titled with the picture's time. A left-button drag anywhere moves
// it; closing it only hides it and tells the task to stop its preview.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <string>

#include "media/components/previewer.h"

namespace tallowin::ui {

// The picture as a QImage (a copy; top row first).
QImage BitmapToImage(const media::TBitmap& bitmap);

class TPreviewWindow : public QWidget, public media::IPreviewWindow {
  Q_OBJECT

 public:
  explicit TPreviewWindow(QWidget* parent = nullptr);
  ~TPreviewWindow() override;

  void ShowPicture(const media::TBitmap& bitmap, const std::string& caption) override;
  bool ClosedByUser() const override { return closed_by_user_; }

  const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QImage picture_;
  bool closed_by_user_ = false;
  bool shown_once_ = false;
  bool dragging_ = false;
  QPoint drag_offset_;
};

// Makes the encoder's tasks show their pictures in TPreviewWindow (once, at start-up).
void RegisterPreviewWindow();

}  // namespace tallowin::ui
