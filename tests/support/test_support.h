// Helpers shared by every test program: temporary folders, files, child processes and generated
// media fixtures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tallowin::test {

namespace fs = std::filesystem;

// A fresh, empty folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  // The path as text with a trailing "/".
  std::string dir() const { return path_.string() + "/"; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
// The lines of a text, without their line breaks.
std::vector<std::string> SplitLines(const std::string& text);

struct ProcessResult {
  int exit_code = -1;  // -1 when the child did not exit normally
  std::string output;  // standard output and standard error, interleaved
};
// Runs argv[0] with the arguments, without a shell; waits at most `timeout_s` seconds (then the
// child is killed and exit_code is -1).
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeout_s = 120);

// A test server started as a child process (argv[0] found on the PATH) that prints the port it
// listens on as its first line. Returns the child's pid and that port; throws
// std::runtime_error(`failure`) when no port arrives within 20 s. The caller stops the child.
struct ChildServer {
  int pid = -1;
  int port = 0;
};
ChildServer StartChildServer(const std::vector<std::string>& argv, const std::string& failure);

// Paths of the build.
fs::path BinDir();       // build/bin: the program, tallowin-cli and their run-time files
fs::path SourceDir();    // the repository
fs::path TestDataDir();  // build/tests/data: generated fixtures, kept between runs

// Generates (once per build tree) a media file with the ffmpeg command-line tool and returns its
// path under TestDataDir(). `args` are the ffmpeg arguments between "-y" and the output name.
fs::path GeneratedMedia(const std::string& name, const std::vector<std::string>& args);

// A 3 s 640x360 25 fps clip with a test pattern and a stereo 44100 Hz tone (H.264 + AAC in MP4).
fs::path StandardClip();

}  // namespace tallowin::test
