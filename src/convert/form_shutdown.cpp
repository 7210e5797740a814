#include "convert/form_shutdown.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "ui/theme.h"

namespace tallowin {

namespace {
constexpr int kWidth = 380;
constexpr int kHeight = 190;
}  // namespace

TFormShutdown::TFormShutdown(const std::string& app_title, QWidget* parent) : QDialog(parent) {
  setObjectName("FormShutdown");
  setWindowTitle("Shutdown");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
  setStyleSheet(ui::Theme::DialogStyleSheet());

  auto* icon = new QLabel(this);
  icon->setObjectName("ImageIcon");
  icon->setGeometry(16, 16, 40, 40);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  icon->setAlignment(Qt::AlignCenter);
  icon->setAccessibleName("Warning");

  LabelWarning = new QLabel("Warning!", this);
  LabelWarning->setObjectName("LabelWarning");
  LabelWarning->setStyleSheet("font-weight: bold; font-size: 15px; color: #B45309;");
  LabelWarning->setGeometry(68, 14, kWidth - 84, 24);

  const QString text = QString("If you don't press cancel now, \n%1\nwill shutdown Windows.")
                           .arg(QString::fromStdString(app_title));
  LabelMessage = new QLabel(text, this);
  LabelMessage->setObjectName("LabelMessage");
  LabelMessage->setWordWrap(true);
  LabelMessage->setGeometry(68, 42, kWidth - 84, 66);

  LabelTimeLeft = new QLabel(this);
  LabelTimeLeft->setObjectName("LabelTimeLeft");
  LabelTimeLeft->setStyleSheet("font-weight: bold;");
  LabelTimeLeft->setGeometry(68, 112, kWidth - 84, 22);

  ButtonCancel = new QPushButton("&Cancel", this);
  ButtonCancel->setObjectName("ButtonCancel");
  ButtonCancel->setAccessibleName("Cancel");
  ButtonCancel->setDefault(true);
  ButtonCancel->setGeometry(kWidth - 16 - 96, kHeight - 46, 96, 30);
  // Cancel is also the Escape key's answer (QDialog::reject).
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

  setFixedSize(kWidth, kHeight);
  ShowCounter();
  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &TFormShutdown::TimerTick);
  timer_->start();
}

void TFormShutdown::TimerTick() {
  --counter_;
  if (counter_ < 0) {
    timer_->stop();
    accept();
    return;
  }
  ShowCounter();
}

void TFormShutdown::ShowCounter() {
  LabelTimeLeft->setText(QString::asprintf("Time left: %d", counter_));
  LabelTimeLeft->setAccessibleName(LabelTimeLeft->text());
}

}  // namespace tallowin
