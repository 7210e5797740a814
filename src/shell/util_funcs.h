// Shared helpers: paths and file names, text, time formats, the format-button grid and the
// program's own folders. Plain C++; the platform actions live in platform_services.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tallowin {

// ---- Paths and file names -----------------------------------------------------------------

// The path unchanged when it already ends in "/", else the path with "/" appended. An empty path
// gives "/" (callers only pass one from a damaged settings file).
std::string WithTrailingBackslash(const std::string& path);

// A typed folder as the desktop's file dialogs read it: a leading "~" alone or followed by "/"
// stands for `home` (other text, "~user/..." included, is returned unchanged, as is every path
// when `home` is empty). The one-argument form takes $HOME.
std::string ExpandHomeFolder(const std::string& path, const std::string& home);
std::string ExpandHomeFolder(const std::string& path);

// The per-user folders, without a trailing "/":
//   "AppData"  -> $XDG_CONFIG_HOME, else $HOME/.config
//   "Personal" -> the documents folder: $XDG_DOCUMENTS_DIR, else the user-dirs.dirs entry, else
//                 $HOME/Documents (whether or not it exists yet)
// Any other name, or no usable answer, gives $HOME, and "/" when HOME is not set.
std::string ReadShellFolder(const std::string& name);

// The extension of the file-name part, from its last "." on ("" when the name has none).
std::string FileExtension(const std::string& path);

// The path with the extension of its file-name part cut off; the folder part is kept.
std::string FileNameWithoutExt(const std::string& path);

// `name` when no such file exists in `folder`, else the first free "stem(i).ext" for i = 1, 2,
// ...; after 32767 taken names the result carries 32768. The result has no folder part.
std::string UniqueOutputName(const std::string& name, const std::string& folder);
// `name`, or the first "stem(i).ext" for i = 1 .. `limit`, whose full path in `folder` is not
// `taken`; "" when every one is. The result has no folder part.
std::string FirstFreeName(const std::string& name, const std::string& folder,
                          const std::function<bool(const std::string& path)>& taken, int limit);

// False for an empty name or one with any of \ / : * ? " < > |.
bool IsValidFileName(const std::string& name);

// The name with each of the nine characters of IsValidFileName replaced by "_".
std::string SanitizeFileName(const std::string& name);

// True for one of the 41 media extensions accepted from a drop (".mp3", ".mkv", ...), in any
// letter case. The argument includes the dot.
bool IsSupportedExtension(const std::string& extension);

// ---- Text ---------------------------------------------------------------------------------

// True exactly for "True" and "Yes" (case-sensitive).
bool IsTrueText(const std::string& text);

// True when any byte of `chars` occurs in `text`; false for an empty `chars`.
bool ContainsAnyChar(const std::string& text, const std::string& chars);

// Splits at every occurrence of `separator` (non-empty; an empty one gives the whole text as one
// field). Empty fields in between are kept; a trailing empty field is dropped.
std::vector<std::string> SplitBySeparator(const std::string& text, const std::string& separator);

// Decodes &amp; &lt; &gt; &nbsp; &quot; and numeric &#N; / &#xH; entities (low 8 bits of the
// number); anything else after "&" is kept unchanged. The result is never longer than the text.
std::string DecodeHtmlEntities(const std::string& text);

// Parses an integer the strict way: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X"; nothing may follow. Decimal values must
// fit 32 bits; hexadecimal values may use all 32 bits (two's complement).
// Throws std::invalid_argument("'abc' is not a valid integer value") otherwise.
int StrToIntStrict(const std::string& text);
// The same rules without the exception: false (and `value` untouched) when not a number.
bool TryStrToInt(const std::string& text, int& value);

// ---- Time ---------------------------------------------------------------------------------

// "HH:MM:SS.mmm" of a count of microseconds (hours may have more than two digits).
std::string FormatMicroseconds(int64_t microseconds);
// "HH:MM:SS" of whole seconds.
std::string FormatSeconds(int32_t seconds);

// ---- Layout -------------------------------------------------------------------------------

struct GridRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The cell `index` of a grid filled row by row in a container `width` wide, starting at
// (left, top); callers use the result's left and top.
GridRect LayoutGridCell(int width, int top, int left, int index, int cell_width, int cell_height,
                        int vertical_gap, int horizontal_gap);

// ---- The program's files -------------------------------------------------------------------

// The folder of the running executable (/proc/self/exe) with a trailing "/".
std::string ExecutableDir();

// ExecutableDir() + "lamecore.dll": the product configuration.
std::string ConfigFilePath();

// The whole content of a file. Throws std::runtime_error ("Cannot open file \"PATH\". REASON")
// when it is missing, a folder or unreadable.
std::string ReadFileBytes(const std::string& path);

}  // namespace tallowin
