// The rules that turn inputs into conversion jobs without touching a window: the output
// extension of a format, the output file names of a run and the cell texts of the run's list.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace tallowin::convert {

// The extension (with its dot) of the output files of a format; "" for a class or format outside
// the tables.
std::string OutputExtension(int format_class, int format);

// The text after the last "/" of a path (the whole path when it has none).
std::string FileNamePart(const std::string& path);
// The text up to and including the last "/" of a path ("" when it has none).
std::string FolderPart(const std::string& path);

// The file-name part of `input_path` with its extension (from its last "." on) replaced by
// `extension`; a name without "." gets `extension` appended. The name is not sanitised.
std::string OutputNameFor(const std::string& input_path, const std::string& extension);

// The output paths given out during one run. A name is free when no file of that name exists in
// the folder and no earlier job of the run was given it, so two inputs of the same base name
// never write to one file, and an input in the output folder is never replaced by its output.
class TOutputNames {
 public:
  // Forgets the names given so far (a new run).
  void Clear() { given_.clear(); }

  // Folder (with a trailing "/") + the first free name of `name`, "stem(1).ext", "stem(2).ext",
  // ... as UniqueOutputName numbers them, and remembers it. "" when none of the first 32767
  // numbered names is free (or the folder cannot be looked into).
  std::string Take(const std::string& name, const std::string& folder);

  bool Given(const std::string& path) const { return given_.count(path) != 0; }

 private:
  bool Taken(const std::string& path) const;

  std::set<std::string> given_;
};

// A decimal count of microseconds from the input list; 0 for text that is not a whole number
// (or is negative): an unknown duration.
int64_t DurationFromText(const std::string& text);

// Width + "x" + height, both decimal ("0" for a cell that is not a number).
std::string DimensionText(const std::string& width, const std::string& height);

// The aspect ratio of the cell, held as a single-precision number, in general notation with up to
// 15 significant digits: "1.3333334" gives "1.33333337306976". Not a number gives "0". Neither
// reading nor writing depends on the user's locale.
std::string AspectRatioText(const std::string& text);

}  // namespace tallowin::convert
