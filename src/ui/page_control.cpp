#include "ui/page_control.h"

namespace tallowin::ui {

TTabSheet::TTabSheet(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {}

TPageControl::TPageControl(QWidget* parent) : QStackedWidget(parent) {
  connect(this, &QStackedWidget::currentChanged, this, [this](int) { emit Changed(); });
}

TTabSheet* TPageControl::AddPage(const QString& caption, const QString& object_name) {
  auto* page = new TTabSheet(caption, this);
  page->setObjectName(object_name);
  addWidget(page);
  return page;
}

TTabSheet* TPageControl::ActivePage() const {
  return qobject_cast<TTabSheet*>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && indexOf(page) >= 0) setCurrentWidget(page);
}

TTabSheet* TPageControl::Page(int index) const {
  return qobject_cast<TTabSheet*>(widget(index));
}

}  // namespace tallowin::ui
