#include "ui/action_binding.h"

#include <QAbstractButton>
#include <QAction>

namespace tallowin::ui {

void BindToAction(QAbstractButton* button, QAction* action) {
  auto sync = [button, action] {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
  };
  sync();
  QObject::connect(action, &QAction::changed, button, sync);
  QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
}

}  // namespace tallowin::ui
