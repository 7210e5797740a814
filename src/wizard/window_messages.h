// The main window's own messages. Each is a Qt event whose type number is the message number:
// posted ones run after the current handler has returned; WM_APP_CONVERT_DONE is delivered at
// once (the sender waits until it has been handled).
#pragma once

#include <QEvent>

namespace tallowin {

constexpr int WM_USER = 1024;
constexpr int WM_APP_SHOW = WM_USER + 1;            // 1025, posted: show the main window
constexpr int WM_APP_CONVERT = WM_USER + 2;         // 1026, posted: start the conversion run
constexpr int WM_APP_CONVERT_DONE = WM_USER + 3;    // 1027, sent: the conversion run has ended
constexpr int WM_APP_DOWNLOAD_NEXT = WM_USER + 4;   // 1028, posted: go on with the next link
constexpr int WM_APP_DOWNLOAD_ERROR = WM_USER + 5;  // 1029, posted: try the next quality

inline QEvent::Type WindowMessageType(int message) {
  return static_cast<QEvent::Type>(message);
}

}  // namespace tallowin
