// Binds a button to an action: the button shows the action's caption and enabled state and
// triggers it when clicked.
#pragma once

class QAbstractButton;
class QAction;

namespace tallowin::ui {

void BindToAction(QAbstractButton* button, QAction* action);

}  // namespace tallowin::ui
