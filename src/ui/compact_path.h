// Shortens a path to a width the way file lists do: the folders nearest the file name give way
// to "..." ("/home/ann/.../clip.mp4"), the start of the path and the file name stay.
#pragma once

#include <QString>
#include <functional>

class QFontMetrics;

namespace tallowin::ui {

// `path` itself when measure(path) <= width. Otherwise the longest "<leading folders>/.../<name>"
// that fits, dropping folders from the one next to the name outwards; when even ".../<name>" is
// too wide, that text cut at its end and ended with "..." (as much as fits, at least "...").
QString CompactPath(const QString& path, int width,
                    const std::function<int(const QString&)>& measure);
// The same, measured in pixels of `metrics`.
QString CompactPath(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace tallowin::ui
