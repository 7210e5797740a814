// TFormShutdown: the countdown before the computer is shut down at the end of a run. It counts
// from 30 once a second and closes with OK 31 ticks after it opened (the user sees 30 down to 0);
// "&Cancel" closes it with Cancel and the computer keeps running.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace tallowin {

class TFormShutdown : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCountdownSeconds = 30;

  // `app_title` names the program in the warning text.
  explicit TFormShutdown(const std::string& app_title, QWidget* parent = nullptr);

  // Counts one second down; below 0 the dialog closes with OK. The 1-second timer calls it.
  void TimerTick();
  int Counter() const { return counter_; }
  QTimer* Timer() const { return timer_; }

  QLabel* LabelWarning = nullptr;
  QLabel* LabelMessage = nullptr;
  QLabel* LabelTimeLeft = nullptr;
  QPushButton* ButtonCancel = nullptr;

 private:
  void ShowCounter();

  int counter_ = kCountdownSeconds;
  QTimer* timer_ = nullptr;
};

}  // namespace tallowin
