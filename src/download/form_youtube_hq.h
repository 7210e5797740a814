// TFormYouTubeHQ: the dialog that orders the eight quality types. One row per preference
// position, moved with Up and Down; the two named orders are stored at once (even when the
// dialog is then cancelled) and shown again.
#pragma once

#include <QDialog>

#include "download/quality.h"

class QPushButton;

namespace tallowin {

namespace ui {
class TReportList;
}

class TFormYouTubeHQ : public QDialog {
  Q_OBJECT

 public:
  // `vars` holds the stored order; the named orders write into it.
  explicit TFormYouTubeHQ(TGlobalVars& vars, QWidget* parent = nullptr);

  // Places the dialog over the middle of `owner` (halves toward zero).
  void CentreOver(const QWidget& owner);

  // One row per position of `order`, in order: the short name, then format, video and audio.
  // A number outside 0 to 7 adds no row. The first row is selected.
  void FillList(const download::TPreferenceOrder& order);
  // The types of the rows in list order, made complete (each of the eight types once).
  download::TPreferenceOrder ListOrder() const;

  void ButtonUpClick();
  void ButtonDownClick();
  void ButtonDefaultClick();
  void ButtonBestAvailableClick();

  ui::TReportList* ListViewYouTubeHQ = nullptr;
  QPushButton* ButtonUp = nullptr;
  QPushButton* ButtonDown = nullptr;
  QPushButton* ButtonBestAvailable = nullptr;
  QPushButton* ButtonDefault = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonCancel = nullptr;

 private:
  // Moves the selected row `step` places (-1 up, +1 down) when it has room to.
  void MoveSelectedRow(int step);
  void StoreNamedOrder(const download::TPreferenceOrder& order);
  void FitColumns();

  TGlobalVars& vars_;
};

}  // namespace tallowin
