#include "wizard/page_widgets.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace tallowin::wizard {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const char* role) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  if (role != nullptr) label->setProperty("role", role);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title, const QRect& place) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(name);
  group->setGeometry(place);
  return group;
}

QFrame* MakeCard(QWidget* parent, const QRect& place) {
  auto* card = new QFrame(parent);
  card->setObjectName("Card");
  card->setStyleSheet(
      "#Card { background: #FFFFFF; border: 1px solid #E2E8F0; border-radius: 10px; }");
  card->setGeometry(place);
  return card;
}

QAction* MakeScopedAction(QWidget* scope, const char* name, const QString& caption) {
  auto* action = new QAction(caption, scope);
  action->setObjectName(name);
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  scope->addAction(action);
  return action;
}

void MakeFigureTiles(QFrame* card, int top, const FigureTile (&tiles)[3]) {
  int left = 20;
  for (const auto& f : tiles) {
    QFrame* tile = new QFrame(card);
    tile->setObjectName("FigureTile");
    tile->setStyleSheet(
        "#FigureTile { background: #F8FAFC; border: 1px solid #E2E8F0;"
        " border-radius: 8px; }");
    tile->setGeometry(left, top, 165, 76);
    QLabel* title = MakeLabel(tile, f.title_name, f.title, "caption");
    title->setGeometry(14, 10, 140, 18);
    *f.figure = MakeLabel(tile, f.name, "0", "bigfigure");
    (*f.figure)->setGeometry(14, 32, 140, 32);
    left += 175;
  }
}

}  // namespace tallowin::wizard
