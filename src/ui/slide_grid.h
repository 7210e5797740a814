// A read-only grid drawn as slides: each row is one tile, whole rows are selected and the user may
// drag rows into another order. Columns are either pictures or texts; each visible column has a
// fixed place inside the tile, hidden columns only keep data.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QRect>
#include <QString>
#include <vector>

namespace tallowin::ui {

class TSlideGrid : public QListWidget {
  Q_OBJECT

 public:
  struct Column {
    QString name;
    bool graphic = false;
    bool visible = true;
    QRect place;  // inside the tile; for a picture the size it is fitted into
    bool bold = false;
  };

  explicit TSlideGrid(QWidget* parent = nullptr);

  // Returns the new column's index.
  int AddColumn(const Column& column);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const Column& ColumnAt(int index) const { return columns_.at(index); }

  void SetRowHeight(int height);
  int RowHeight() const { return row_height_; }
  // Text shown in the empty grid.
  void SetEmptyText(const QString& text);

  int RowCount() const { return count(); }
  // Appends an empty row and returns its index.
  int AddRow();
  void DeleteRow(int row);
  void ClearRows();
  // Moves a row to another index; the selection follows it.
  void MoveRow(int from, int to);

  QString Cell(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  QImage CellImage(int row, int column) const;
  void SetCellImage(int row, int column, const QImage& image);

  // -1 when no row is selected.
  int SelectedRow() const;
  // Selects a row (and scrolls to it); -1 clears the selection.
  void SelectRow(int row);

  // The width a text column placed at `place` may use inside `tile`: up to the tile's right
  // margin, whatever the column's own width.
  static int TextRoom(const QRect& place, const QRect& tile);

  // Suspends repainting while many rows are added.
  void BeginUpdate();
  void EndUpdate();

 signals:
  // The user dragged a row to another place.
  void AfterRowMove();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TSlideGridDelegate;
  void UpdateAccessibleTexts(QListWidgetItem& row) const;
  std::vector<Column> columns_;
  int row_height_ = 90;
  int update_depth_ = 0;
  QString empty_text_;
};

}  // namespace tallowin::ui
