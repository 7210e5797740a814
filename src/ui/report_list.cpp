#include "ui/report_list.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

namespace tallowin::ui {

TReportList::TReportList(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(true);
  setColumnCount(0);
  header()->setStretchLastSection(true);
  header()->setHighlightSections(false);
}

void TReportList::AddColumn(const QString& caption, int width) {
  const int column = columnCount();
  setColumnCount(column + 1);
  headerItem()->setText(column, caption);
  setColumnWidth(column, width);
}

int TReportList::HeaderTextWidth(int column) const {
  QFont bold = header()->font();
  bold.setBold(true);
  // The section's padding (6 on each side in the page style) and a little air.
  return QFontMetrics(bold).horizontalAdvance(ColumnCaption(column)) + 20;
}

void TReportList::FitColumnsToWidth() {
  const int columns = columnCount();
  if (columns == 0) return;
  int room = width() - 2 * frameWidth();
  if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
    room -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  int design = 0;
  for (int c = 0; c < columns; ++c) design += columnWidth(c);
  if (design <= 0) return;
  // Every column keeps room for its caption; the rest is shared in the design's proportions.
  int used = 0;
  for (int c = 0; c + 1 < columns; ++c) {
    const int share = columnWidth(c) * room / design;
    const int width = std::max(share, HeaderTextWidth(c));
    setColumnWidth(c, width);
    used += width;
  }
  // The last column takes what is left (and stretches with the list).
  setColumnWidth(columns - 1, std::max(room - used, HeaderTextWidth(columns - 1)));
}

void TReportList::SetColumnCaption(int column, const QString& caption) {
  if (column >= 0 && column < columnCount()) headerItem()->setText(column, caption);
}

QString TReportList::ColumnCaption(int column) const {
  return headerItem()->text(column);
}

void TReportList::SetShowColumnHeaders(bool show) {
  setHeaderHidden(!show);
}

int TReportList::AddRow(const QStringList& cells) {
  auto* row = new QTreeWidgetItem(this, cells);
  return indexOfTopLevelItem(row);
}

void TReportList::DeleteRow(int row) {
  if (row >= 0 && row < RowCount()) delete takeTopLevelItem(row);
}

QString TReportList::Cell(int row, int column) const {
  const QTreeWidgetItem* it = topLevelItem(row);
  return it == nullptr ? QString() : it->text(column);
}

void TReportList::SetCell(int row, int column, const QString& text) {
  if (QTreeWidgetItem* it = topLevelItem(row)) it->setText(column, text);
}

int TReportList::SelectedRow() const {
  const QList<QTreeWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}

void TReportList::SelectRow(int row) {
  QTreeWidgetItem* it = topLevelItem(row);
  if (it == nullptr) {
    clearSelection();
    return;
  }
  setCurrentItem(it);
  scrollToItem(it);
}

}  // namespace tallowin::ui
