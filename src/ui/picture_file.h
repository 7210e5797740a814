// Loading the skin's pictures: a missing or unreadable file is an error with a readable text.
#pragma once

#include <QPixmap>
#include <string>

namespace tallowin::ui {

// Loads a PNG or BMP picture. On failure returns false and sets `error` to a text naming the file
// and the reason.
bool LoadPictureFile(const std::string& path, QPixmap& picture, std::string& error);

}  // namespace tallowin::ui
