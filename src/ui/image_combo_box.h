// A drop-down list whose items may carry a picture and an indent (the preset lists).
#pragma once

#include <QComboBox>
#include <QPixmap>
#include <QString>

namespace tallowin::ui {

class TImageComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TImageComboBox(QWidget* parent = nullptr);

  // Appends an item; `indent` is counted in steps of 10 pixels.
  void AddItem(const QString& text, const QPixmap& picture = QPixmap(), int indent = 0);
  int ItemCount() const { return count(); }
  // -1 when no item is selected.
  int ItemIndex() const { return currentIndex(); }
  // An index outside the list leaves the list without a selected item.
  void SetItemIndex(int index);
  // The text the closed field shows: the selected item's, cut at the end with "…" when it does
  // not fit.
  QString ShownText() const;

  static constexpr int kMaxVisibleItems = 10;

 protected:
  void paintEvent(QPaintEvent* event) override;

 public:
  void showPopup() override;
};

}  // namespace tallowin::ui
