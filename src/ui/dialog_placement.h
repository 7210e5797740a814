// Where a dialog opens: centred over the window that owns it.
#pragma once

class QWidget;

namespace tallowin::ui {

// Moves `dialog` so that its frame is centred over `owner`'s (top := owner top + (owner height -
// dialog height) div 2, left likewise); nothing happens without an owner.
void CentreOver(QWidget& dialog, const QWidget* owner);

}  // namespace tallowin::ui
