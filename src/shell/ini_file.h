// An INI text held in memory: sections of key=value lines. Reading rules: every line is trimmed;
// empty lines and lines starting with ";" are skipped; "[name]" opens a section; any other line
// splits at its first "=" into a trimmed key and value; lines before the first section are
// ignored. Section and key names match without regard to ASCII letter case; the first of
// duplicate keys wins. Writing keeps every other section and key.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tallowin {

class IniFile {
 public:
  IniFile() = default;

  // Parses a whole text (lines end at LF, CR LF or CR).
  static IniFile FromText(const std::string& text);
  // Parses lines that are already split.
  static IniFile FromLines(const std::vector<std::string>& lines);
  // Reads a file. Returns std::nullopt when it does not exist (also when a part of its folder
  // path is not a folder); throws std::runtime_error with
  // the path and the reason when it exists but cannot be read.
  static std::optional<IniFile> Load(const std::string& path);

  bool HasSection(const std::string& section) const;
  bool HasKey(const std::string& section, const std::string& key) const;
  // The value as stored, or nullopt when the key is missing.
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback = {}) const;
  // The integer value ("0x" marks hexadecimal; see TryStrToInt), or `fallback` when the key is
  // missing or its value is not a number.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
  // True for any non-zero integer; `fallback` when missing or not a number.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Sets a value; an existing key keeps its place and spelling, a new one goes to the end of its
  // section, a new section to the end of the file.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  // Written as "1" or "0".
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // Section names in file order, and the keys of one section in order.
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(const std::string& section) const;

  // "[Section]" and "key=value" lines, each ended by LF.
  std::string ToText() const;
  // Writes ToText() to `path` through a temporary file in the same folder that replaces the old
  // file only when complete. Throws std::runtime_error naming the path and the reason; the old
  // file is then unchanged. The file keeps its permissions; a symbolic link is written through
  // to its target; in a folder that takes no new file, an existing writable file is written in
  // place (room reserved first).
  void Save(const std::string& path) const;

 private:
  static void SaveInPlace(const std::string& target, const std::string& text,
                          const std::string& shown);
  struct Entry {
    std::string key;
    std::string value;
  };
  // Names are looked up through lower-case indexes, so that even a damaged file with very many
  // keys or sections reads in linear time.
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> index;
  };
  const Section* FindSection(const std::string& name) const;
  Section& SectionForWrite(const std::string& name);
  // Sets the value of an existing key, or adds the key; `keep_existing` leaves an existing value.
  static void Put(Section& section, const std::string& key, const std::string& value,
                  bool keep_existing);

  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> section_index_;
};

}  // namespace tallowin
