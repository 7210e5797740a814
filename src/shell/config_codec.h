// The product configuration file "lamecore.dll": an INI text whose lines are stored with every
// byte complemented (b -> 255 - b). Line breaks (CR, LF) are stored as they are, so a decoded
// line can never hold the bytes 0xF2 or 0xF5.
#pragma once

#include <string>
#include <vector>

#include "shell/ini_file.h"

namespace tallowin {

// Complements every byte of one line; the result has the same length.
std::string DecodeConfigLine(const std::string& line);

// Splits at CR LF, LF or a lone CR; the breaks are dropped. A last line without a break counts.
std::vector<std::string> SplitConfigLines(const std::string& bytes);

// Decodes a whole stored file: every byte but CR and LF is complemented, breaks kept as stored.
std::string DecodeConfigText(const std::string& stored);

// Encodes a plain INI text (the inverse of DecodeConfigText). Throws std::invalid_argument when
// the text holds a byte 0xF2 or 0xF5, whose stored forms would read as line breaks.
std::string EncodeConfigText(const std::string& text);

// Reads and decodes a stored configuration file into an INI. Throws std::runtime_error
// ("Cannot open file \"PATH\". REASON") when the file is missing or unreadable.
IniFile ReadConfigFile(const std::string& path);

}  // namespace tallowin
