// A read-only list in report view: rows of text cells under column captions.
#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace tallowin::ui {

class TReportList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TReportList(QWidget* parent = nullptr);

  // Adds a column with its caption and width in pixels.
  void AddColumn(const QString& caption, int width);
  // Shares the list's width among the columns in proportion to their widths, each column at
  // least as wide as its caption, so that no column is cut and no scroll bar is needed while
  // the captions fit.
  void FitColumnsToWidth();
  // The width a column needs to show its caption whole.
  int HeaderTextWidth(int column) const;
  void SetColumnCaption(int column, const QString& caption);
  QString ColumnCaption(int column) const;
  void SetShowColumnHeaders(bool show);

  int RowCount() const { return topLevelItemCount(); }
  // Appends a row with its cells and returns its index.
  int AddRow(const QStringList& cells);
  void DeleteRow(int row);
  void ClearRows() { clear(); }
  QString Cell(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  // -1 when no row is selected.
  int SelectedRow() const;
  // Selects a row and scrolls to it; -1 clears the selection.
  void SelectRow(int row);
};

}  // namespace tallowin::ui
