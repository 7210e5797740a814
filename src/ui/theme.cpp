#include "ui/theme.h"

namespace tallowin::ui {

QString Theme::PageStyleSheet() {
  return QStringLiteral(R"(
QWidget { color: #1E293B; }
QLineEdit, QPlainTextEdit, QTextEdit {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 3px 6px;
  selection-background-color: #2563EB;
}
QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus { border: 1px solid #2563EB; }
QPushButton {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 4px 12px;
  min-height: 18px;
}
QPushButton:hover { background: #E8F0FE; border-color: #608FF5; }
QPushButton:pressed { background: #D6E4FD; }
QPushButton:disabled { color: #94A3B8; background: #F1F5F9; border-color: #E2E8F0; }
QPushButton#ButtonConvertDownloaded {
  background: #2563EB; color: #FFFFFF; border: 1px solid #1D4ED8; font-weight: bold;
  padding: 6px 16px;
}
QPushButton#ButtonConvertDownloaded:hover { background: #1D4ED8; }
QComboBox {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 3px 8px;
  min-height: 20px;
}
QComboBox:hover { border-color: #608FF5; }
QComboBox::drop-down { border: none; width: 22px; }
QComboBox QAbstractItemView {
  background: #FFFFFF; border: 1px solid #CBD5E1; selection-background-color: #E8F0FE;
  selection-color: #1E293B; outline: 0;
}
QGroupBox {
  background: #FFFFFF; border: 1px solid #E2E8F0; border-radius: 8px; margin-top: 14px;
  padding: 10px 8px 8px 8px; font-weight: bold;
}
QGroupBox::title {
  subcontrol-origin: margin; subcontrol-position: top left; left: 10px; padding: 0 4px;
  color: #334155;
}
QGroupBox QLabel, QGroupBox QCheckBox { font-weight: normal; }
QTreeWidget, QListWidget {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 6px; outline: 0;
  alternate-background-color: #F8FAFC;
}
QTreeWidget::item { padding: 3px 2px; }
QTreeWidget::item:selected, QListWidget::item:selected {
  background: #DBEAFE; color: #1E293B;
}
QHeaderView::section {
  background: #F1F5F9; border: none; border-bottom: 1px solid #E2E8F0;
  border-right: 1px solid #E2E8F0; padding: 4px 6px; font-weight: bold; color: #475569;
}
QProgressBar {
  background: #E2E8F0; border: none; border-radius: 5px; height: 10px; text-align: center;
  color: transparent;
}
QProgressBar::chunk { background: #2563EB; border-radius: 5px; }
QCheckBox, QRadioButton { spacing: 8px; }
QLabel#LabelTitle { font-weight: bold; }
QLabel[role="caption"] { color: #64748B; }
QLabel[role="figure"] { font-weight: bold; }
QLabel[role="bigfigure"] { font-size: 20px; font-weight: bold; color: #1E293B; }
QLabel[role="link"] { color: #2563EB; text-decoration: underline; }
QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }
QScrollBar::handle:vertical { background: #CBD5E1; border-radius: 4px; min-height: 24px; }
QScrollBar:horizontal { background: transparent; height: 10px; margin: 2px; }
QScrollBar::handle:horizontal { background: #CBD5E1; border-radius: 4px; min-width: 24px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }
)");
}

QString Theme::MenuStyleSheet() {
  return QStringLiteral(R"(
QMenu {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 6px; padding: 5px 0;
}
QMenu::item { padding: 6px 28px 6px 18px; color: #1E293B; }
QMenu::item:selected { background: #E8F0FE; color: #1D4ED8; }
QMenu::item:disabled { color: #94A3B8; }
QMenu::separator { height: 1px; background: #E2E8F0; margin: 4px 10px; }
)");
}

QString Theme::DialogStyleSheet() {
  return QStringLiteral(R"(
QDialog, QMessageBox, QFileDialog { background: #F8FAFC; color: #1E293B; }
QLabel { color: #1E293B; }
QLabel[role="link"] { color: #2563EB; text-decoration: underline; }
QPushButton, QToolButton {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 4px 14px;
  color: #1E293B; min-height: 18px;
}
QToolButton { padding: 3px; }
QPushButton:hover, QToolButton:hover { background: #E8F0FE; border-color: #608FF5; }
QPushButton:pressed, QToolButton:pressed { background: #D6E4FD; }
QPushButton:default { border-color: #2563EB; }
QPushButton:disabled, QToolButton:disabled {
  color: #94A3B8; background: #F1F5F9; border-color: #E2E8F0;
}
QLineEdit, QPlainTextEdit, QTextEdit {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 3px 6px;
  selection-background-color: #2563EB;
}
QLineEdit:focus { border: 1px solid #2563EB; }
QComboBox {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 5px; padding: 3px 8px;
  min-height: 20px;
}
QComboBox::drop-down { border: none; width: 22px; }
QComboBox QAbstractItemView {
  background: #FFFFFF; border: 1px solid #CBD5E1; selection-background-color: #E8F0FE;
  selection-color: #1E293B; outline: 0;
}
QTreeView, QListView, QTreeWidget, QListWidget {
  background: #FFFFFF; border: 1px solid #CBD5E1; border-radius: 6px; outline: 0;
  alternate-background-color: #F8FAFC;
}
QTreeView::item:selected, QListView::item:selected { background: #DBEAFE; color: #1E293B; }
QHeaderView::section {
  background: #F1F5F9; border: none; border-bottom: 1px solid #E2E8F0;
  border-right: 1px solid #E2E8F0; padding: 4px 6px; font-weight: bold; color: #475569;
}
QTabWidget::pane { background: #FFFFFF; border: 1px solid #E2E8F0; border-radius: 6px; }
QTabBar::tab { padding: 5px 14px; color: #475569; }
QTabBar::tab:selected { color: #1D4ED8; font-weight: bold; }
QScrollBar:vertical { background: #F1F5F9; width: 12px; margin: 0; }
QScrollBar::handle:vertical { background: #CBD5E1; border-radius: 4px; min-height: 24px; margin: 2px; }
QScrollBar:horizontal { background: #F1F5F9; height: 12px; margin: 0; }
QScrollBar::handle:horizontal { background: #CBD5E1; border-radius: 4px; min-width: 24px; margin: 2px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }
)");
}

}  // namespace tallowin::ui
