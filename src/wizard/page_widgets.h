// Small factories for the controls the wizard pages are made of: each control gets its design
// name as object name.
#pragma once

#include <QRect>
#include <QString>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace tallowin::wizard {

// `role` selects the label's look in the page style sheet: "caption", "figure", "bigfigure" or
// empty for plain text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text,
                  const char* role = nullptr);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title, const QRect& place);
// A white rounded panel.
QFrame* MakeCard(QWidget* parent, const QRect& place);
// An action whose shortcut works only while the focus is inside `scope`.
QAction* MakeScopedAction(QWidget* scope, const char* name, const QString& caption);

}  // namespace tallowin::wizard
