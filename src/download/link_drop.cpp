#include "download/link_drop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "download/video_link.h"

namespace tallowin::download {

namespace {

bool CarriesLinks(const QMimeData* data) {
  return data != nullptr && (data->hasUrls() || data->hasText());
}

}  // namespace

TDroppedItems DroppedItems(const QMimeData& data) {
  TDroppedItems items;
  if (data.hasUrls()) {
    for (const QUrl& url : data.urls()) {
      if (url.isLocalFile()) {
        items.files.push_back(url.toLocalFile().toStdString());
      } else if (!url.isEmpty()) {
        items.links.push_back(url.toString().toStdString());
      }
    }
  } else if (data.hasText()) {
    items.links = SplitLinkLines(data.text().toStdString());
  }
  return items;
}

TLinkDropFilter::TLinkDropFilter(QWidget* target, DropHandler on_drop)
    : QObject(target), on_drop_(std::move(on_drop)) {
  target->setAcceptDrops(true);
  target->installEventFilter(this);
}

bool TLinkDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!CarriesLinks(drag->mimeData())) return QObject::eventFilter(watched, event);
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!CarriesLinks(drop->mimeData())) return QObject::eventFilter(watched, event);
      drop->acceptProposedAction();
      // The handler may show message boxes: it runs after the drop has been answered, so that
      // the drag's source is not kept waiting. The drag's data does not outlive the drop, so
      // its items are copied.
      QMetaObject::invokeMethod(
          this, [this, items = DroppedItems(*drop->mimeData())] { on_drop_(items); },
          Qt::QueuedConnection);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace tallowin::download
