#include "ui/image_combo_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tallowin::ui {

TImageComboBox::TImageComboBox(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(kMaxVisibleItems);
  setEditable(false);
  // "combobox-popup: 0" makes the styles that open a list over the whole screen honour the
  // visible item count, with a scroll bar for the rest.
  setStyleSheet(
      QStringLiteral("QComboBox { combobox-popup: 0; }"
                     "QComboBox QAbstractItemView { background: #FFFFFF; border: 1px solid #CBD5E1;"
                     " selection-background-color: #E8F0FE; selection-color: #1E293B; outline: 0; }"
                     "QComboBox QAbstractItemView::item { padding: 3px 6px; min-height: 18px; }"));
  // Rows too long for the list end with "…" (the whole text is the field's tip), drawn by the
  // plain item delegate so that the rows follow the style sheet.
  setItemDelegate(new QStyledItemDelegate(this));
  view()->setTextElideMode(Qt::ElideRight);
}

void TImageComboBox::AddItem(const QString& text, const QPixmap& picture, int indent) {
  const QString shown = indent > 0 ? QString(indent * 2, QLatin1Char(' ')) + text : text;
  if (picture.isNull()) {
    addItem(shown);
  } else {
    addItem(QIcon(picture), shown);
  }
}

void TImageComboBox::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

QString TImageComboBox::ShownText() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  int room = field.width();
  if (!option.currentIcon.isNull()) room -= option.iconSize.width() + 4;
  return fontMetrics().elidedText(currentText(), Qt::ElideRight, qMax(room, 0));
}

void TImageComboBox::paintEvent(QPaintEvent*) {
  // As QComboBox paints itself, but a text too long for the field ends with "…".
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ShownText();
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  // The style sheet hides the style's arrow: a chevron marks the field as a list.
  const QRect arrow =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
  const QPointF c = QRectF(arrow).center();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(isEnabled() ? QColor(0x47, 0x55, 0x69) : QColor(0x94, 0xA3, 0xB8), 1.6,
                      Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF chevron[] = {{c.x() - 4, c.y() - 2}, {c.x(), c.y() + 2}, {c.x() + 4, c.y() - 2}};
  painter.drawPolyline(chevron, 3);
}

void TImageComboBox::showPopup() {
  QComboBox::showPopup();
  // The rows beyond the visible ten are reached with a scroll bar.
  view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The pop-up is sized before the style sheet's row padding is known and can come out a row
  // or two short: make it as tall as its visible rows need, inside the screen.
  QWidget* popup = view()->window();
  if (popup == nullptr || popup == window() || count() == 0) return;
  const int rows = std::min(count(), maxVisibleItems());
  int rows_height = 0;
  for (int i = 0; i < rows; ++i) rows_height += view()->sizeHintForRow(i);
  const int chrome = popup->height() - view()->viewport()->height();
  QRect place = popup->geometry();
  if (place.height() >= rows_height + chrome) return;
  place.setHeight(rows_height + chrome);
  if (const QScreen* where = screen()) {
    const QRect area = where->availableGeometry();
    if (place.bottom() > area.bottom()) place.moveBottom(area.bottom());
    if (place.top() < area.top()) place.setTop(area.top());
  }
  popup->setGeometry(place);
}

}  // namespace tallowin::ui
