// TFormFailedAddFile: the dialog that lists the files an adding could not open, with a link to
// the list of supported file types.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace tallowin {

namespace ui {
class TReportList;
}

class TFormFailedAddFile : public QDialog {
  Q_OBJECT

 public:
  explicit TFormFailedAddFile(QWidget* parent = nullptr);

  // One list row per line, in order.
  void SetFailures(const std::vector<std::string>& lines);

  // Shows the dialog modally over `owner`, centred on it, with `lines` in the list; the dialog is
  // destroyed when it closes.
  static void ShowCentred(QWidget* owner, const std::vector<std::string>& lines);

  // Opens the support link with the shell; the dialog stays open.
  void ButtonMoreInfoClick();

  QLabel* ImageIcon = nullptr;
  QLabel* LabelMessage = nullptr;
  ui::TReportList* ListViewFiles = nullptr;
  QPushButton* ButtonClose = nullptr;
  QPushButton* ButtonMoreInfo = nullptr;
};

}  // namespace tallowin
