// A page control whose tab headers are hidden: pages change only by program. Each page is a
// `TTabSheet` with a design caption that is never shown.
#pragma once

#include <QStackedWidget>
#include <QString>
#include <QWidget>

namespace tallowin::ui {

class TTabSheet : public QWidget {
  Q_OBJECT

 public:
  TTabSheet(const QString& caption, QWidget* parent = nullptr);
  const QString& Caption() const { return caption_; }

 private:
  QString caption_;
};

class TPageControl : public QStackedWidget {
  Q_OBJECT

 public:
  explicit TPageControl(QWidget* parent = nullptr);

  // Creates a page owned by the control and appends it.
  TTabSheet* AddPage(const QString& caption, const QString& object_name);

  TTabSheet* ActivePage() const;
  // Shows `page`; emits `Changed` when the active page changes.
  void SetActivePage(TTabSheet* page);
  int PageCount() const { return count(); }
  TTabSheet* Page(int index) const;

 signals:
  void Changed();
};

}  // namespace tallowin::ui
