// Writes a Windows icon container (.ico) whose images are stored as PNG data.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace tallowin::assets {

// One entry per image (each at most 256 x 256), in the given order.
QByteArray BuildIco(const std::vector<QImage>& images);

}  // namespace tallowin::assets
