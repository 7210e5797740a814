#include "ui/compact_path.h"

#include <QFontMetrics>
#include <QStringList>

namespace tallowin::ui {

QString CompactPath(const QString& path, int width,
                    const std::function<int(const QString&)>& measure) {
  if (measure(path) <= width) return path;
  const QString ellipsis = QStringLiteral("...");
  const qsizetype slash = path.lastIndexOf('/');
  const QString name = slash < 0 ? path : path.mid(slash + 1);
  if (slash > 0) {
    // "/home/ann/videos" -> "", "home", "ann", "videos": keep parts [0, k], drop the rest.
    const QStringList folders = path.left(slash).split('/');
    for (qsizetype keep = folders.size() - 1; keep >= 1; --keep) {
      const QString candidate =
          QStringList(folders.mid(0, keep)).join('/') + '/' + ellipsis + '/' + name;
      if (measure(candidate) <= width) return candidate;
    }
  }
  // Not even the name fits beside "...": cut the shortest form at its end.
  QString shortest = slash > 0 ? ellipsis + '/' + name : path;
  if (measure(shortest) <= width) return shortest;
  while (!shortest.isEmpty()) {
    shortest.chop(1);
    if (measure(shortest + ellipsis) <= width) return shortest + ellipsis;
  }
  return ellipsis;
}

QString CompactPath(const QString& path, const QFontMetrics& metrics, int width) {
  return CompactPath(path, width,
                     [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
}

}  // namespace tallowin::ui
