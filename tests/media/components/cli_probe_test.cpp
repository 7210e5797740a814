// `tallowin-cli probe`: the decoder's facts against ffprobe, thumbnails against ffmpeg, and the
// library folder beside the executable.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

#include "media/media_fixtures.h"
#include "media/runtime/ff_load.h"

namespace tallowin::test {
namespace {

using namespace tallowin::media;
using Facts = std::map<std::string, std::string>;

// The "file: PATH" blocks of the output, by path.
std::map<std::string, Facts> ParseProbe(const std::string& output) {
  std::map<std::string, Facts> files;
  Facts* current = nullptr;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    size_t colon = line.find(": ");
    if (colon == std::string::npos) {
      if (!line.empty() && line.back() == ':' && current)
        (*current)[line.substr(0, line.size() - 1)] = "";
      continue;
    }
    std::string key = line.substr(0, colon), value = line.substr(colon + 2);
    if (key == "file")
      current = &files[value];
    else if (current)
      (*current)[key] = value;
  }
  return files;
}

std::string Cli() {
  return (BinDir() / "tallowin-cli").string();
}

TEST(CliProbeTest, ReportsWhatFFProbeReports) {
  std::vector<fs::path> inputs = {StandardClip(),       AudioOnlyClip(),      VideoOnlyClip(),
                                  StillImage(),         SeveralStreamsClip(), UnusualNameClip(),
                                  UnknownDurationClip()};
  std::vector<std::string> argv = {Cli(), "probe"};
  for (const auto& f : inputs) argv.push_back(f.string());
  auto r = RunProcess(argv, 120);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  auto files = ParseProbe(r.output);
  ASSERT_EQ(files.size(), inputs.size());
  for (const fs::path& file : inputs) {
    SCOPED_TRACE(file.string());
    Facts& got = files[file.string()];
    auto probe = FFProbe(file);
    EXPECT_EQ(std::stoll(got["File.Duration"]), ProbeMicroseconds(probe["format.duration"]));
    EXPECT_EQ(got["StreamCount"], probe["format.nb_streams"]);
    EXPECT_EQ(got["FileSize"], std::to_string(fs::file_size(file)));
    int audio = 0, video = 0, subtitles = 0;
    std::string first_video, first_audio;
    for (int i = 0; i < std::stoi(probe["format.nb_streams"]); ++i) {
      std::string s = "stream" + std::to_string(i);
      std::string kind = probe[s + ".codec_type"];
      if (kind == "video" && video++ == 0) first_video = s;
      if (kind == "audio" && audio++ == 0) first_audio = s;
      subtitles += kind == "subtitle";
    }
    EXPECT_EQ(got["AudioStreamCount"], std::to_string(audio));
    EXPECT_EQ(got["VideoStreamCount"], std::to_string(video));
    EXPECT_EQ(got["SubtitleStreamCount"], std::to_string(subtitles));
    if (video) {
      EXPECT_EQ(got["Video.Width"], probe[first_video + ".width"]);
      EXPECT_EQ(got["Video.Height"], probe[first_video + ".height"]);
    } else {
      EXPECT_EQ(got["Video.Width"], "-1");
      EXPECT_EQ(got["Video.FrameRate"], "-1/-1");
    }
    if (audio) {
      EXPECT_EQ(got["Audio.SampleRate"], probe[first_audio + ".sample_rate"]);
      EXPECT_EQ(got["Audio.Channels"], probe[first_audio + ".channels"]);
    } else {
      EXPECT_EQ(got["Audio.SampleRate"], "-1");
    }
  }
  EXPECT_EQ(files[UnknownDurationClip().string()]["File.Duration"], "-1");
  EXPECT_EQ(files[StandardClip().string()]["Video.FrameRate"], "25/1");
  EXPECT_EQ(files[SeveralStreamsClip().string()]["File.Title"], "Several Streams");
}

TEST(CliProbeTest, ThumbnailsAndFailures) {
  TempDir tmp;
  fs::path junk = tmp / "junk.mp4";
  WriteFile(junk, std::string(5000, '\x5a'));
  const fs::path thumbs = tmp / "thumbs";
  auto r = RunProcess({Cli(), "probe", "--thumbnails", thumbs.string(), StandardClip().string(),
                       junk.string(), AudioOnlyClip().string()},
                      120);
  EXPECT_EQ(r.exit_code, 1) << r.output;
  auto files = ParseProbe(r.output);
  EXPECT_EQ(files[junk.string()]["error"].rfind(junk.string() + ": ", 0), 0u) << r.output;
  EXPECT_EQ(files[AudioOnlyClip().string()]["Thumbnail"], "");
  EXPECT_EQ(files[AudioOnlyClip().string()]["Audio.SampleRate"], "48000");

  fs::path bmp = thumbs / (StandardClip().filename().string() + ".bmp");
  EXPECT_EQ(files[StandardClip().string()]["Thumbnail"], bmp.string());
  std::string data = ReadFile(bmp);
  ASSERT_EQ(data.size(), 54u + 640 * 3 * 360);
  EXPECT_EQ(data.substr(0, 2), "BM");
  std::string rows;  // top-down
  for (int y = 359; y >= 0; --y) rows += data.substr(54 + size_t(y) * 640 * 3, 640 * 3);
  std::int64_t half = std::stoll(files[StandardClip().string()]["File.Duration"]) / 2;
  EXPECT_TRUE(rows == FFmpegFrameAt(StandardClip(), half / 1e6, tmp / "frame.raw"));

  EXPECT_EQ(RunProcess({Cli(), "probe"}).exit_code, 2);
  EXPECT_EQ(RunProcess({Cli(), "probe", "--thumbnails"}).exit_code, 2);
}

// A copy of tallowin-cli in a folder of its own, with a "lib" folder beside it.
class LibraryFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tmp_ / "bin" / "lib");
    fs::copy_file(Cli(), tmp_ / "bin" / "tallowin-cli");
    fs::permissions(tmp_ / "bin" / "tallowin-cli", fs::perms::owner_exec, fs::perm_options::add);
  }
  ProcessResult Probe(const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv = {"env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(),
                {(tmp_ / "bin" / "tallowin-cli").string(), "probe", StandardClip().string()});
    return RunProcess(argv, 120);
  }
  fs::path Lib() const { return tmp_ / "bin" / "lib"; }
  TempDir tmp_;
};

TEST_F(LibraryFolderTest, EmptyFolderUsesTheSystemLibraries) {
  auto r = Probe();
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("Video.Width: 640"), std::string::npos);
}

TEST_F(LibraryFolderTest, NonLibraryIsNamedAndNothingRuns) {
  std::string file = Lib().string() + "/" + TFFLoader::DefaultFileName(libSwScale);
  WriteFile(file, "not an ELF file");
  auto r = Probe();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("error: Load library " + file + " error: "), std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("file: "), std::string::npos);
}

// Libraries in the folder are the ones used, also as each other's dependencies.
TEST_F(LibraryFolderTest, LibrariesInTheFolderWin) {
  LoadSystemLibraries();
  std::vector<std::pair<std::string, const void*>> libraries = {
      {TFFLoader::DefaultFileName(libAVUtil), reinterpret_cast<const void*>(FF().av_malloc)},
      {TFFLoader::DefaultFileName(libAVCore), reinterpret_cast<const void*>(FF().swr_alloc)},
      {TFFLoader::DefaultFileName(libAVCodec), reinterpret_cast<const void*>(FF().avcodec_open2)},
      {TFFLoader::DefaultFileName(libAVFormat),
       reinterpret_cast<const void*>(FF().avformat_open_input)},
  };
  for (const auto& [name, symbol] : libraries) {
    Dl_info info{};
    ASSERT_NE(dladdr(symbol, &info), 0);
    fs::copy_file(info.dli_fname, Lib() / name);
  }
  auto r = Probe({"LD_DEBUG=files"});
  ASSERT_EQ(r.exit_code, 0) << r.output.substr(0, 2000);
  for (const auto& [name, symbol] : libraries) {
    SCOPED_TRACE(name);
    std::string from_folder = "calling init: " + (Lib() / name).string();
    EXPECT_NE(r.output.find(from_folder), std::string::npos);
    // No other copy was initialised.
    size_t count = 0;
    for (size_t at = r.output.find("calling init: "); at != std::string::npos;
         at = r.output.find("calling init: ", at + 1)) {
      size_t end = r.output.find('\n', at);
      std::string path = r.output.substr(at + 14, end - at - 14);
      if (fs::path(path).filename() == name) ++count;
    }
    EXPECT_EQ(count, 1u);
  }
}

}  // namespace
}  // namespace tallowin::test
