// The output file's attributes on Linux. Read-only is the permission bits (write access removed
// for everyone, given back to the owner when the attribute goes); the other attributes have no
// file-system counterpart and are recorded in the extended attribute "user.tallowin.attributes"
// as a comma-separated list of names (removed when only "archive" remains), where the file
// system supports extended attributes.
#pragma once

#include <string>

#include "net/win_http_types.h"

namespace tallowin::net {

inline constexpr const char* kAttributesXattr = "user.tallowin.attributes";

// Best effort: returns false when a change could not be made.
bool ApplyFileAttributes(const std::string& path, TWinHTTPFileAttributes attributes);
// What ApplyFileAttributes recorded (archive only, when nothing is recorded).
TWinHTTPFileAttributes ReadFileAttributes(const std::string& path);

}  // namespace tallowin::net
