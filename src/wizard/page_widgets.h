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
// The three figure tiles of a summary page (total, succeeded, failed), side by side at `top`;
// `figures` receives the three labels that show the numbers.
struct FigureTile {
  QLabel** figure;
  const char* name;
  const char* title_name;
  const char* title;
};
void MakeFigureTiles(QFrame* card, int top, const FigureTile (&tiles)[3]);
// An action whose shortcut works only while the focus is inside `scope`.
QAction* MakeScopedAction(QWidget* scope, const char* name, const QString& caption);

}  // namespace tallowin::wizard
