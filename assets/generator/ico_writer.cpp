#include "ico_writer.h"

#include <QBuffer>

namespace tallowin::assets {
namespace {

void PutU16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(QByteArray& out, qint64 value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.append(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

QByteArray BuildIco(const std::vector<QImage>& images) {
  std::vector<QByteArray> pngs;
  for (const QImage& image : images) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    pngs.push_back(png);
  }
  QByteArray out;
  PutU16(out, 0);  // reserved
  PutU16(out, 1);  // type: icon
  PutU16(out, static_cast<int>(images.size()));
  qint64 offset = 6 + 16 * static_cast<qint64>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    // Width and height 256 are stored as 0.
    out.append(static_cast<char>(images[i].width() >= 256 ? 0 : images[i].width()));
    out.append(static_cast<char>(images[i].height() >= 256 ? 0 : images[i].height()));
    out.append('\0');  // no palette
    out.append('\0');  // reserved
    PutU16(out, 1);    // colour planes
    PutU16(out, 32);   // bits per pixel
    PutU32(out, pngs[i].size());
    PutU32(out, offset);
    offset += pngs[i].size();
  }
  for (const QByteArray& png : pngs) out.append(png);
  return out;
}

}  // namespace tallowin::assets
