#include "ui/slide_grid.h"

#include <QAbstractItemModel>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

#include "ui/theme.h"

namespace tallowin::ui {

namespace {
constexpr int kCellRole = Qt::UserRole + 1;  // + column index
constexpr int kTileMargin = 4;
}  // namespace

int TSlideGrid::TextRoom(const QRect& place, const QRect& tile) {
  return qMax(tile.right() - place.left() - 8, 10);
}

class TSlideGridDelegate : public QStyledItemDelegate {
 public:
  explicit TSlideGridDelegate(TSlideGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {grid_->viewport()->width() - 2, grid_->row_height_ + 2 * kTileMargin};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QRectF card =
        QRectF(option.rect)
            .adjusted(kTileMargin, kTileMargin / 2.0, -kTileMargin, -kTileMargin / 2.0);
    QPainterPath body;
    body.addRoundedRect(card, 8, 8);
    painter->fillPath(body, selected  ? Theme::kAccentPale
                            : hovered ? QColor(0xF8, 0xFA, 0xFC)
                                      : Theme::kSurface);
    painter->setPen(QPen(selected ? Theme::kAccentLight : QColor(0xE2, 0xE8, 0xF0), 1));
    painter->drawPath(body);

    const QPoint origin = card.topLeft().toPoint() + QPoint(6, (card.height() - 88) / 2);
    for (int c = 0; c < static_cast<int>(grid_->columns_.size()); ++c) {
      const TSlideGrid::Column& column = grid_->columns_[c];
      if (!column.visible) continue;
      const QRect place = column.place.translated(origin);
      if (column.graphic) {
        PaintPicture(painter, place, index.data(kCellRole + c).value<QImage>());
        continue;
      }
      QFont f = option.font;
      f.setBold(column.bold);
      painter->setFont(f);
      painter->setPen(column.bold ? Theme::kText : Theme::kMutedText);
      // A text may use the tile up to its right edge; only what does not fit there is cut, at
      // the end.
      const int width = TSlideGrid::TextRoom(place, card.toRect());
      const QString text = painter->fontMetrics().elidedText(index.data(kCellRole + c).toString(),
                                                             Qt::ElideRight, width);
      painter->drawText(QRect(place.left(), place.top(), width, painter->fontMetrics().height()),
                        Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    painter->restore();
  }

 private:
  static void PaintPicture(QPainter* painter, const QRect& place, const QImage& image) {
    QPainterPath frame;
    frame.addRoundedRect(QRectF(place), 5, 5);
    painter->fillPath(frame, QColor(0x1E, 0x29, 0x3B));
    if (image.isNull()) {
      painter->setPen(QPen(QColor(0x64, 0x74, 0x8B), 1.5));
      const QPoint c = place.center();
      painter->drawRoundedRect(QRect(c.x() - 14, c.y() - 10, 28, 20), 3, 3);
      return;
    }
    const QImage fitted = image.scaled(place.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter->save();
    painter->setClipPath(frame);
    painter->drawImage(place.left() + (place.width() - fitted.width()) / 2,
                       place.top() + (place.height() - fitted.height()) / 2, fitted);
    painter->restore();
  }

  TSlideGrid* grid_;
};

TSlideGrid::TSlideGrid(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TSlideGridDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragDropMode(QAbstractItemView::InternalMove);
  setDefaultDropAction(Qt::MoveAction);
  setUniformItemSizes(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setMouseTracking(true);
  connect(model(), &QAbstractItemModel::rowsMoved, this, [this] {
    viewport()->update();
    emit AfterRowMove();
  });
}

int TSlideGrid::AddColumn(const Column& column) {
  columns_.push_back(column);
  return static_cast<int>(columns_.size()) - 1;
}

void TSlideGrid::SetRowHeight(int height) {
  row_height_ = height;
  doItemsLayout();
}

void TSlideGrid::SetEmptyText(const QString& text) {
  empty_text_ = text;
  viewport()->update();
}

void TSlideGrid::UpdateAccessibleTexts(QListWidgetItem& row) const {
  // A screen reader reads the visible texts of the tile, and is told what its picture shows.
  QStringList texts;
  QString picture;
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    if (!columns_[c].visible) continue;
    const QVariant value = row.data(kCellRole + c);
    if (columns_[c].graphic) {
      const bool has_picture = value.canConvert<QImage>() && !value.value<QImage>().isNull();
      picture = has_picture ? QStringLiteral("Thumbnail picture") : QStringLiteral("No picture");
    } else if (!value.toString().isEmpty()) {
      texts << value.toString();
    }
  }
  row.setData(Qt::AccessibleTextRole, texts.join(QStringLiteral(", ")));
  row.setData(Qt::AccessibleDescriptionRole, picture);
}

int TSlideGrid::AddRow() {
  addItem(new QListWidgetItem());
  return count() - 1;
}

void TSlideGrid::DeleteRow(int row) {
  if (row < 0 || row >= count()) return;
  delete takeItem(row);
}

void TSlideGrid::ClearRows() {
  clear();
}

void TSlideGrid::MoveRow(int from, int to) {
  if (from < 0 || from >= count() || to < 0 || to >= count() || from == to) return;
  const bool was_selected = SelectedRow() == from;
  // moveRow's destination is the row before which the item lands.
  model()->moveRow(QModelIndex(), from, QModelIndex(), to > from ? to + 1 : to);
  if (was_selected) SelectRow(to);
}

QString TSlideGrid::Cell(int row, int column) const {
  const QListWidgetItem* it = item(row);
  return it == nullptr ? QString() : it->data(kCellRole + column).toString();
}

void TSlideGrid::SetCell(int row, int column, const QString& text) {
  QListWidgetItem* it = item(row);
  if (it == nullptr) return;
  it->setData(kCellRole + column, text);
  UpdateAccessibleTexts(*it);
}

QImage TSlideGrid::CellImage(int row, int column) const {
  const QListWidgetItem* it = item(row);
  return it == nullptr ? QImage() : it->data(kCellRole + column).value<QImage>();
}

void TSlideGrid::SetCellImage(int row, int column, const QImage& image) {
  QListWidgetItem* it = item(row);
  if (it == nullptr) return;
  it->setData(kCellRole + column, image);
  UpdateAccessibleTexts(*it);
}

int TSlideGrid::SelectedRow() const {
  const QList<QListWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : row(items.first());
}

void TSlideGrid::SelectRow(int row) {
  if (row < 0 || row >= count()) {
    clearSelection();
    setCurrentRow(-1);
    return;
  }
  setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  scrollToItem(item(row));
}

void TSlideGrid::BeginUpdate() {
  if (update_depth_++ == 0) setUpdatesEnabled(false);
}

void TSlideGrid::EndUpdate() {
  if (update_depth_ > 0 && --update_depth_ == 0) setUpdatesEnabled(true);
}

void TSlideGrid::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  if (count() > 0 || empty_text_.isEmpty()) return;
  QPainter painter(viewport());
  painter.setPen(Theme::kMutedText);
  painter.drawText(viewport()->rect().adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   empty_text_);
}

}  // namespace tallowin::ui
