// TFormAbout: the About dialog. Title and version, the rights notice, the web and support links
// and an "Update" page; a picture on the left except with skin 3.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tallowin {

namespace ui {
class TImage;
class TLinkLabel;
}  // namespace ui

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* parent = nullptr);

  // Empty when the dialog was set up; otherwise the error that stopped it (the left picture
  // could not be loaded). Such a dialog is not to be shown.
  const std::string& CreateError() const { return create_error_; }

  // Shows the dialog modally, centred on `owner` (the main window), and destroys it afterwards.
  // A dialog that could not be set up is not shown; its error is.
  static void ShowCentred(QWidget* owner);

  void LabelWebClick();
  void LabelSupportEmailClick();
  void ImageLeftClick();
  void ButtonUpdatesClick();

  QTabWidget* PageControlMain = nullptr;
  QWidget* TabSheetAbout = nullptr;
  QWidget* TabSheetUpdate = nullptr;
  QWidget* PanelmageLeft = nullptr;
  ui::TImage* ImageLeft = nullptr;
  QPushButton* ButtonOK = nullptr;
  QLabel* LabalTitle = nullptr;
  QLabel* LabelCopyright = nullptr;
  QLabel* LabelWebTitle = nullptr;
  ui::TLinkLabel* LabelWeb = nullptr;
  QLabel* LabelSupport = nullptr;
  ui::TLinkLabel* LabelSupportEmail = nullptr;
  QLabel* LabelCheckTitle = nullptr;
  QLabel* LabelCheck = nullptr;
  QLabel* LabelPInfo = nullptr;
  QLabel* LabelVersion = nullptr;
  QPushButton* ButtonUpdates = nullptr;

 private:
  void BuildControls();
  void FormCreate();

  std::string create_error_;
};

// The rights notice of the About dialog for a year and the configured copyright holder.
std::string CopyrightNotice(int year, const std::string& copyright);

}  // namespace tallowin
