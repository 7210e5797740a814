// tallowin-assets: draws the skin pictures, the application icon and the finish sounds that the
// build places beside the program. Run by the build; nothing it makes is committed.
//
// For the windows that use these pictures (see skin_layout.h for every position):
//   * the bottom buttons' pictures (bottom_1..4.bmp) are light, so draw their captions DARK
//     (0x1E293B), and grey (0x94A3B8) when disabled;
//   * main.bmp is 780 x 560; fuchsia (0xFF00FF) outside its rounded frame is transparent;
//   * the page card is white from x 195 to 766 and y 70 to 498, the title band blue above y 36.
//
//   tallowin-assets --out DIR --res-folder NAME --title TITLE [--preview FILE.png]
//                   [--icons DIR --icon-name NAME]
// writes DIR/icon.ico, DIR/sounds/done.wav, DIR/sounds/fail.wav and DIR/sounds/NAME/*.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "ico_writer.h"
#include "skin_layout.h"
#include "skin_painter.h"
#include "wav_synth.h"

namespace {

using namespace tallowin::assets;

bool g_failed = false;

void Fail(const QString& what) {
  std::fprintf(stderr, "tallowin-assets: %s\n", qPrintable(what));
  g_failed = true;
}

void SaveImage(const QImage& image, const QString& path) {
  // BMP pictures carry no transparency; PNG ones keep their alpha channel.
  QImage out =
      path.endsWith(QLatin1String(".bmp")) ? image.convertToFormat(QImage::Format_RGB32) : image;
  if (!out.save(path)) Fail(QStringLiteral("cannot write %1").arg(path));
}

void SaveBytes(const QByteArray& bytes, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
    Fail(QStringLiteral("cannot write %1").arg(path));
}

// The main window as the pictures compose it, with sample captions: for looking at the skin.
QImage Preview(const QString& title) {
  using L = SkinLayout;
  QImage image = PaintMainBackground().convertToFormat(QImage::Format_ARGB32);
  QPainter painter(&image);
  painter.drawImage(0, 0, PaintTopLogo(title));
  painter.drawImage(L::kLeftLogoLeft, L::kLeftLogoTop, PaintLeftLogo());
  painter.drawImage(696, L::kCaptionButtonTop, PaintCaptionButton(false, ButtonState::Normal));
  painter.drawImage(728, L::kCaptionButtonTop, PaintCaptionButton(true, ButtonState::Hover));
  painter.drawImage(260, 140, PaintDownloadPicture());
  painter.drawImage(260, 280, PaintConvertPicture());
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(15);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(0x1E, 0x29, 0x3B));
  painter.drawText(24, 58, QStringLiteral("Choose what you want to do"));
  struct Button {
    int x;
    const char* caption;
    ButtonState state;
  };
  const Button buttons[] = {{40, "Help", ButtonState::Normal},
                            {138, "Log", ButtonState::Hover},
                            {426, "< Back", ButtonState::Disabled},
                            {522, "Next >", ButtonState::Normal},
                            {672, "Exit", ButtonState::Pressed}};
  font.setPixelSize(13);
  font.setBold(false);
  painter.setFont(font);
  for (const Button& b : buttons) {
    painter.drawImage(b.x, L::kBottomButtonTop, PaintBottomButton(b.state));
    painter.setPen(b.state == ButtonState::Disabled ? QColor(0x94, 0xA3, 0xB8)
                                                    : QColor(0x1E, 0x29, 0x3B));
    painter.drawText(
        QRect(b.x, L::kBottomButtonTop, L::kBottomButtonWidth, L::kBottomButtonHeight - 1),
        Qt::AlignCenter, QString::fromLatin1(b.caption));
  }
  painter.setPen(QColor(0x80, 0x80, 0x80));
  font.setPixelSize(11);
  painter.setFont(font);
  painter.drawText(20, 470, QStringLiteral("Version: 1.0.0"));
  painter.drawText(20, 488, QStringLiteral("More free tools..."));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QString out_dir, res_folder, title, preview, icons, icon_name = QStringLiteral("tallowin");
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--out"))
      out_dir = args[i + 1];
    else if (args[i] == QLatin1String("--res-folder"))
      res_folder = args[i + 1];
    else if (args[i] == QLatin1String("--title"))
      title = args[i + 1];
    else if (args[i] == QLatin1String("--preview"))
      preview = args[i + 1];
    else if (args[i] == QLatin1String("--icons"))
      icons = args[i + 1];
    else if (args[i] == QLatin1String("--icon-name"))
      icon_name = args[i + 1];
  }
  if (out_dir.isEmpty()) {
    std::fprintf(stderr,
                 "usage: tallowin-assets --out DIR --res-folder NAME --title TITLE "
                 "[--preview FILE.png] [--icons DIR --icon-name NAME]\n");
    return 2;
  }
  const QString sounds = out_dir + QStringLiteral("/sounds");
  const QString skin = res_folder.isEmpty() ? sounds : sounds + QLatin1Char('/') + res_folder;
  if (!QDir().mkpath(skin)) Fail(QStringLiteral("cannot create %1").arg(skin));

  // The top logo carries the mark only: the window writes the configured product name beside
  // it, so that every edition shows its own name whatever picture folder it shares.
  SaveImage(PaintTopLogo(QString()), skin + QStringLiteral("/toplogo.png"));
  for (DialogIcon kind :
       {DialogIcon::Question, DialogIcon::Information, DialogIcon::Warning, DialogIcon::Error})
    SaveImage(PaintDialogIcon(kind, 48), skin + QLatin1Char('/') + DialogIconFileName(kind));
  SaveImage(PaintLeftLogo(), skin + QStringLiteral("/leftlogo.png"));
  SaveImage(PaintDownloadPicture(), skin + QStringLiteral("/downloadyoutube.png"));
  SaveImage(PaintConvertPicture(), skin + QStringLiteral("/youtubeconvert.png"));
  SaveImage(PaintMainBackground(), skin + QStringLiteral("/main.bmp"));
  const ButtonState states[] = {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed,
                                ButtonState::Disabled};
  for (int i = 0; i < 3; ++i) {
    SaveImage(PaintCaptionButton(false, states[i]),
              skin + QStringLiteral("/min_%1.bmp").arg(i + 1));
    SaveImage(PaintCaptionButton(true, states[i]),
              skin + QStringLiteral("/close_%1.bmp").arg(i + 1));
  }
  for (int i = 0; i < 4; ++i)
    SaveImage(PaintBottomButton(states[i]), skin + QStringLiteral("/bottom_%1.bmp").arg(i + 1));

  SaveBytes(BuildIco({PaintAppIcon(16), PaintAppIcon(24), PaintAppIcon(32), PaintAppIcon(48),
                      PaintAppIcon(64), PaintAppIcon(128), PaintAppIcon(256)}),
            out_dir + QStringLiteral("/icon.ico"));
  // The same artwork for the desktop's icon theme: ICONS/hicolor/NxN/apps/NAME.png.
  if (!icons.isEmpty()) {
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
      const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(icons).arg(size);
      if (!QDir().mkpath(dir)) Fail(QStringLiteral("cannot create %1").arg(dir));
      SaveImage(PaintAppIcon(size), dir + QLatin1Char('/') + icon_name + QStringLiteral(".png"));
    }
  }
  SaveBytes(DoneSound(), sounds + QStringLiteral("/done.wav"));
  SaveBytes(FailSound(), sounds + QStringLiteral("/fail.wav"));
  if (!preview.isEmpty()) SaveImage(Preview(title), preview);
  return g_failed ? 1 : 0;
}
