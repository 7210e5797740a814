// Drops on the Step5 link list: what a drag from a browser or the desktop carries, split into
// links for the list and local files for the input list, and the event filter that takes such
// drops on the list's viewport.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;

namespace tallowin::download {

struct TDroppedItems {
  // Addresses (from text/uri-list) or lines of plain text, in the order given.
  std::vector<std::string> links;
  // Local files, in the order given.
  std::vector<std::string> files;
};

// Addresses when the data has any (local ones as files), else the plain text split into lines as
// a pasted text is. Nothing for any other data.
TDroppedItems DroppedItems(const QMimeData& data);

// Accepts drags that carry addresses or text on `target` (the list's viewport, which it makes
// accept drops) and hands each drop's items to `on_drop` once the drop has returned (a queued
// call). The filter is a child of `target`.
class TLinkDropFilter : public QObject {
  Q_OBJECT

 public:
  using DropHandler = std::function<void(const TDroppedItems&)>;
  TLinkDropFilter(QWidget* target, DropHandler on_drop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DropHandler on_drop_;
};

}  // namespace tallowin::download
