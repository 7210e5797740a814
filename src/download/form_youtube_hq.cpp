#include "download/form_youtube_hq.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <algorithm>

#include "ui/dialog_placement.h"
#include "ui/report_list.h"
#include "ui/theme.h"

namespace tallowin {

namespace {

constexpr int kColumnCount = 4;
// The narrowest a column may be; wider when its texts need the room.
constexpr int kMinColumnWidth = 80;
constexpr int kColumnPadding = 24;

QString ColumnText(const download::TQualityTexts& texts, int column) {
  switch (column) {
    case 0:
      return texts.short_name;
    case 1:
      return texts.format;
    case 2:
      return texts.video;
    default:
      return texts.audio;
  }
}

}  // namespace

TFormYouTubeHQ::TFormYouTubeHQ(TGlobalVars& vars, QWidget* parent) : QDialog(parent), vars_(vars) {
  setObjectName("FormYouTubeHQ");
  setWindowTitle("Prefer YouTube high quality");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setStyleSheet(ui::Theme::DialogStyleSheet());
  setAccessibleName(windowTitle());

  ListViewYouTubeHQ = new ui::TReportList(this);
  ListViewYouTubeHQ->setObjectName("ListViewYouTubeHQ");
  ListViewYouTubeHQ->setAccessibleName("Quality order");
  for (const char* caption : {"Type", "Format", "Video", "Audio"}) {
    ListViewYouTubeHQ->AddColumn(caption, kMinColumnWidth);
  }
  ListViewYouTubeHQ->header()->setStretchLastSection(false);
  ListViewYouTubeHQ->header()->setSectionsMovable(false);
  ListViewYouTubeHQ->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListViewYouTubeHQ->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListViewYouTubeHQ->setAlternatingRowColors(false);

  const auto button = [this](const char* name, const QString& caption, const QString& spoken) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAccessibleName(spoken);
    b->setAutoDefault(false);
    return b;
  };
  ButtonUp = button("ButtonUp", "&Up", "Up");
  ButtonDown = button("ButtonDown", "&Down", "Down");
  ButtonBestAvailable = button("ButtonBestAvailable", "&Best Available", "Best Available");
  ButtonDefault = button("ButtonDefault", "&Default", "Default");
  ButtonOK = button("ButtonOK", "&OK", "OK");
  ButtonOK->setDefault(true);
  ButtonCancel = button("ButtonCancel", "&Cancel", "Cancel");
  connect(ButtonUp, &QPushButton::clicked, this, &TFormYouTubeHQ::ButtonUpClick);
  connect(ButtonDown, &QPushButton::clicked, this, &TFormYouTubeHQ::ButtonDownClick);
  connect(ButtonBestAvailable, &QPushButton::clicked, this,
          &TFormYouTubeHQ::ButtonBestAvailableClick);
  connect(ButtonDefault, &QPushButton::clicked, this, &TFormYouTubeHQ::ButtonDefaultClick);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QVBoxLayout();
  buttons->setSpacing(8);
  for (QPushButton* b : {ButtonUp, ButtonDown, ButtonBestAvailable, ButtonDefault}) {
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(14, 14, 14, 14);
  layout->setSpacing(12);
  layout->addWidget(ListViewYouTubeHQ);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  FillList(download::PreferenceOrder(vars_));
  FitColumns();
  setTabOrder(ListViewYouTubeHQ, ButtonUp);
  ListViewYouTubeHQ->setFocus();
}

void TFormYouTubeHQ::FitColumns() {
  // Every type's texts fit, whichever rows are shown, and all eight rows show without scrolling.
  ListViewYouTubeHQ->ensurePolished();
  const QFontMetrics metrics = ListViewYouTubeHQ->fontMetrics();
  int width = 0;
  for (int column = 0; column < kColumnCount; ++column) {
    int needed = metrics.horizontalAdvance(ListViewYouTubeHQ->ColumnCaption(column));
    for (int type = 0; type < kQualityTypeCount; ++type) {
      needed = std::max(
          needed, metrics.horizontalAdvance(ColumnText(*download::QualityTexts(type), column)));
    }
    const int column_width = std::max(kMinColumnWidth, needed + kColumnPadding);
    ListViewYouTubeHQ->setColumnWidth(column, column_width);
    width += column_width;
  }
  const int measured = ListViewYouTubeHQ->sizeHintForRow(0);
  const int row_height = measured > 0 ? measured : metrics.height() + 8;
  const int header_height = ListViewYouTubeHQ->header()->sizeHint().height();
  const int frame = 2 * ListViewYouTubeHQ->frameWidth() + 2;
  ListViewYouTubeHQ->setFixedSize(width + frame,
                                  header_height + download::kPreferenceCount * row_height + frame);
}

void TFormYouTubeHQ::CentreOver(const QWidget& owner) {
  adjustSize();
  ui::CentreOver(*this, &owner);
}

void TFormYouTubeHQ::FillList(const download::TPreferenceOrder& order) {
  ListViewYouTubeHQ->ClearRows();
  for (const int type : order) {
    const download::TQualityTexts* texts = download::QualityTexts(type);
    if (texts == nullptr) continue;
    QStringList cells;
    for (int column = 0; column < kColumnCount; ++column) cells << ColumnText(*texts, column);
    ListViewYouTubeHQ->AddRow(cells);
  }
  ListViewYouTubeHQ->SelectRow(ListViewYouTubeHQ->RowCount() > 0 ? 0 : -1);
}

download::TPreferenceOrder TFormYouTubeHQ::ListOrder() const {
  download::TPreferenceOrder order;
  order.fill(-1);
  const int rows = std::min(ListViewYouTubeHQ->RowCount(), download::kPreferenceCount);
  for (int row = 0; row < rows; ++row) {
    order[row] = download::TypeForShortName(ListViewYouTubeHQ->Cell(row, 0).toStdString());
  }
  return download::CompleteOrder(order);
}

void TFormYouTubeHQ::MoveSelectedRow(int step) {
  const int row = ListViewYouTubeHQ->SelectedRow();
  const int target = row + step;
  if (row >= 0 && target >= 0 && target < ListViewYouTubeHQ->RowCount()) {
    QTreeWidgetItem* item = ListViewYouTubeHQ->takeTopLevelItem(row);
    ListViewYouTubeHQ->insertTopLevelItem(target, item);
    ListViewYouTubeHQ->SelectRow(target);
  }
  ListViewYouTubeHQ->setFocus();
}

void TFormYouTubeHQ::ButtonUpClick() {
  MoveSelectedRow(-1);
}

void TFormYouTubeHQ::ButtonDownClick() {
  MoveSelectedRow(+1);
}

void TFormYouTubeHQ::StoreNamedOrder(const download::TPreferenceOrder& order) {
  download::StorePreferenceOrder(vars_, order);
  FillList(download::PreferenceOrder(vars_));
}

void TFormYouTubeHQ::ButtonDefaultClick() {
  StoreNamedOrder(download::kDefaultOrder);
}

void TFormYouTubeHQ::ButtonBestAvailableClick() {
  StoreNamedOrder(download::kBestAvailableOrder);
}

}  // namespace tallowin
