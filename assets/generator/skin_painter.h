// Draws the pictures of the skin: window background, caption and bottom buttons, logos, the
// mode page pictures and the application mark.
#pragma once

#include <QImage>
#include <QString>

class QPainter;
class QRectF;

namespace tallowin::assets {

enum class ButtonState { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

// 780 x 560, fuchsia outside the rounded frame.
QImage PaintMainBackground();
// 30 x 24, painted over the title band at y 4.
QImage PaintCaptionButton(bool close, ButtonState state);
// 90 x 32, painted over the bottom bar.
QImage PaintBottomButton(ButtonState state);
// 300 x 36 with transparency: the mark and, when `title` is not empty, the name in white.
QImage PaintTopLogo(const QString& title);
// 172 x 372 with transparency: the illustration of the left column.
QImage PaintLeftLogo();
// 128 x 96 with transparency: the two choices of the mode page.
QImage PaintDownloadPicture();
QImage PaintConvertPicture();
// The symbols of the message boxes and dialogs, square, `size` pixels, with transparency.
enum class DialogIcon { Question, Information, Warning, Error };
QImage PaintDialogIcon(DialogIcon kind, int size);
// The file name the program looks for: "msg_question.png" and so on.
QString DialogIconFileName(DialogIcon kind);

// The application mark, square, `size` pixels, with transparency.
QImage PaintAppIcon(int size);

// The mark inside `box` (rounded square, gradient, white play sign and, unless the mark is too
// small for them, turning arrows).
void PaintMark(QPainter& painter, const QRectF& box);

}  // namespace tallowin::assets
