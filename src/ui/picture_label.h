// Labels that react to the mouse: a picture that reports presses and clicks (logos, the Mode
// page's pictures) and a text that looks and acts like a link.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace tallowin::ui {

class TImage : public QLabel {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);
  // Shows the picture and takes its size.
  void SetPicture(const QPixmap& picture);

 signals:
  void LeftPressed();
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(const QString& text = QString(), QWidget* parent = nullptr);

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tallowin::ui
