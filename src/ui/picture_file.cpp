#include "ui/picture_file.h"

#include <QFile>
#include <QImageReader>
#include <QString>

namespace tallowin::ui {

bool LoadPictureFile(const std::string& path, QPixmap& picture, std::string& error) {
  const QString name = QString::fromStdString(path);
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    error = "Cannot open file \"" + path + "\". " + file.errorString().toStdString();
    return false;
  }
  QImageReader reader(&file);
  reader.setDecideFormatFromContent(true);
  const QImage image = reader.read();
  if (image.isNull()) {
    error = "Cannot read picture \"" + path + "\". " + reader.errorString().toStdString();
    return false;
  }
  picture = QPixmap::fromImage(image);
  return true;
}

}  // namespace tallowin::ui
