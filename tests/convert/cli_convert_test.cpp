// tallowin-cli convert: conversions by preset of several files, the output names, skipped inputs,
// the joined output, several jobs at once, an interrupt in the middle of a run, terminal and plain
// output, and the usage errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/probe_facts.h"
#include "support/test_support.h"

namespace tallowin::test {
namespace {

std::string Cli() {
  return (BinDir() / "tallowin-cli").string();
}

ProcessResult Convert(std::vector<std::string> args, int timeout_s = 240) {
  args.insert(args.begin(), {Cli(), "convert"});
  return RunProcess(args, timeout_s);
}

fs::path ToneWav(int seconds) {
  return GeneratedMedia("tone_44k_" + std::to_string(seconds) + "s.wav",
                        {"-f", "lavfi", "-i",
                         "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds),
                         "-ac", "2", "-c:a", "pcm_s16le"});
}

fs::path ToneFlac() {
  return GeneratedMedia("tone_22k_2s.flac",
                        {"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=22050:duration=2",
                         "-ac", "1", "-c:a", "flac"});
}

// Ten minutes of a tone: long enough to be interrupted while it converts.
fs::path LongTone() {
  return GeneratedMedia(
      "tone_8khz_600s.wav",
      {"-f", "lavfi", "-i", "sine=frequency=300:sample_rate=8000:duration=600", "-c:a", "pcm_u8"});
}

fs::path SmallClip(const std::string& container) {
  return GeneratedMedia(
      "clip_320x240_2s." + container,
      {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
       "sine=frequency=500:sample_rate=44100:duration=2", "-ac", "2", "-c:v", "mpeg4", "-c:a",
       container == "mkv" ? "flac" : "mp3", "-shortest"});
}

std::string Place(const fs::path& source, const fs::path& target) {
  fs::create_directories(target.parent_path());
  fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  return target.string();
}

std::string Probe(const fs::path& file, const std::string& select, const std::string& entries) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error"};
  if (!select.empty()) argv.insert(argv.end(), {"-select_streams", select});
  argv.insert(argv.end(), {"-show_entries", entries, "-of", "default=nw=1:nk=1", file.string()});
  return JoinProbeLines(RunProcess(argv, 60).output);
}

double ProbedSeconds(const fs::path& file) {
  const std::string text = Probe(file, "", "format=duration");
  return text.empty() ? -1.0 : std::atof(text.c_str());
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

bool HasLine(const std::string& output, const std::string& line) {
  const std::vector<std::string> lines = SplitLines(output);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(CliConvert, AudioPresetGivesItsCodecAndNeverReplacesAFile) {
  TempDir dir;
  const std::string a = Place(ToneWav(2), dir / "in/a.wav");
  const std::string b = Place(ToneFlac(), dir / "in/b.flac");
  const std::string c = Place(StandardClip(), dir / "in/c.mp4");
  const std::string out = (dir / "out").string();
  const std::vector<std::string> args = {"--class", "audio", "--format", "MP3", "--preset", "2",
                                         "-o",      out,     a,          b,     c};
  ProcessResult first = Convert(args);
  ASSERT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(Names(out), (std::set<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
    const fs::path file = fs::path(out) / name;
    EXPECT_EQ(Probe(file, "a:0", "stream=codec_name,sample_rate,channels,bit_rate"),
              "mp3,48000,2,256000")
        << name;
    EXPECT_EQ(Probe(file, "v", "stream=codec_name"), "") << name << ": video is disabled";
  }
  EXPECT_TRUE(HasLine(first.output, "Total files: 3")) << first.output;
  EXPECT_TRUE(HasLine(first.output, "Successed: 3")) << first.output;
  EXPECT_TRUE(HasLine(first.output, "Failed: 0")) << first.output;
  // Not a terminal: plain lines only.
  EXPECT_EQ(first.output.find('\x1b'), std::string::npos) << first.output;

  const std::string before_a = ReadFile(fs::path(out) / "a.mp3");
  const std::string before_c = ReadFile(fs::path(out) / "c.mp3");
  // The folder given with a trailing "/" and the default preset of MP3 name the same output.
  ProcessResult second = Convert({"--format", "mp3", "-o", out + "/", "--jobs", "2", a, b, c, a});
  ASSERT_EQ(second.exit_code, 0) << second.output;
  // The same input twice in one run gets two names.
  EXPECT_EQ(Names(out), (std::set<std::string>{"a.mp3", "b.mp3", "c.mp3", "a(1).mp3", "b(1).mp3",
                                               "c(1).mp3", "a(2).mp3"}));
  EXPECT_EQ(ReadFile(fs::path(out) / "a.mp3"), before_a);
  EXPECT_EQ(ReadFile(fs::path(out) / "c.mp3"), before_c);
  EXPECT_EQ(Probe(fs::path(out) / "a(2).mp3", "a:0", "stream=sample_rate,bit_rate"),
            "48000,256000");
}

TEST(CliConvert, VideoPresetWithTwoJobsGivesTheFilesOfOneJob) {
  TempDir dir;
  const std::vector<std::string> inputs = {Place(SmallClip("avi"), dir / "in/one.avi"),
                                           Place(SmallClip("mkv"), dir / "in/two.mkv"),
                                           Place(StandardClip(), dir / "in/three.mp4")};
  std::vector<std::string> one = {"--class",  "video", "--format", "AVI",
                                  "--preset", "3",     "-o",       (dir / "one").string(),
                                  "--jobs",   "1"};
  std::vector<std::string> two = one;
  two[7] = (dir / "two").string();
  two[9] = "2";
  one.insert(one.end(), inputs.begin(), inputs.end());
  two.insert(two.end(), inputs.begin(), inputs.end());
  ProcessResult r1 = Convert(one);
  ASSERT_EQ(r1.exit_code, 0) << r1.output;
  ProcessResult r2 = Convert(two);
  ASSERT_EQ(r2.exit_code, 0) << r2.output;
  const std::set<std::string> names = {"one.avi", "two.avi", "three.avi"};
  EXPECT_EQ(Names(dir / "one"), names);
  EXPECT_EQ(Names(dir / "two"), names);
  for (const std::string& name : names) {
    const fs::path a = dir / "one" / name, b = dir / "two" / name;
    const std::string video = Probe(a, "v:0", "stream=codec_name,codec_tag_string");
    EXPECT_EQ(video, "mpeg4,XVID") << name;
    EXPECT_EQ(Probe(a, "a:0", "stream=codec_name,sample_rate,channels,bit_rate"),
              "mp3,44100,2,192000")
        << name;
    EXPECT_EQ(ProbeFacts(a.string()).substr(0, 4), "avi|") << name;
    // Two jobs at once change nothing in what each job writes.
    EXPECT_TRUE(ReadFile(a) == ReadFile(b)) << name;
  }
}

TEST(CliConvert, InputsThatCannotBeConvertedAreSkipped) {
  TempDir dir;
  const std::string good1 = Place(ToneWav(2), dir / "in/good1.wav");
  const std::string damaged = (dir / "in/damaged.wav").string();
  // A header that promises audio, then bytes no decoder can read.
  WriteFile(damaged, std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16) + std::string(64, '\xff'));
  const std::string missing = (dir / "in/missing.flac").string();
  const std::string good2 = Place(ToneFlac(), dir / "in/good2.flac");
  const std::string out = (dir / "out").string();
  ProcessResult r =
      Convert({"--format", "MP3", "--preset", "0", "-o", out, good1, damaged, missing, good2});
  EXPECT_EQ(r.exit_code, 1) << r.output;
  EXPECT_EQ(Names(out), (std::set<std::string>{"good1.mp3", "good2.mp3"}));
  EXPECT_EQ(Probe(fs::path(out) / "good2.mp3", "a:0", "stream=codec_name,sample_rate"),
            "mp3,44100");
  EXPECT_NE(r.output.find("[2/4] damaged.wav: skipped: "), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("[3/4] missing.flac: skipped: "), std::string::npos) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Successed: 2")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Failed: 2")) << r.output;

  // Nothing that can be read at all: every input skipped, nothing written.
  ProcessResult none = Convert({"--format", "WAV", "-o", out, damaged, missing});
  EXPECT_EQ(none.exit_code, 1) << none.output;
  EXPECT_EQ(Names(out).size(), 2u);
}

TEST(CliConvert, MergeJoinsEveryInputIntoOneFile) {
  TempDir dir;
  const std::string a = Place(ToneWav(2), dir / "in/a.wav");
  const std::string b = Place(ToneWav(3), dir / "in/b.wav");
  const std::string c = Place(ToneFlac(), dir / "in/c.flac");
  const std::string out = (dir / "out").string();
  ProcessResult r =
      Convert({"--format", "MP3", "--preset-name", "best quality", "--merge", "-o", out, a, b, c});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  ASSERT_EQ(Names(out), std::set<std::string>{"Output_Merge.mp3"});
  const fs::path merged = fs::path(out) / "Output_Merge.mp3";
  EXPECT_NEAR(ProbedSeconds(merged), 7.0, 0.1);
  EXPECT_EQ(Probe(merged, "a:0", "stream=bit_rate"), "320000");
  EXPECT_TRUE(HasLine(r.output, "Successed: 3")) << r.output;

  // A second joined run is numbered past the first; an unreadable input is left out of it.
  const std::string damaged = (dir / "in/bad.mp3").string();
  WriteFile(damaged, std::string(4096, '\x7f'));
  ProcessResult again = Convert({"--format", "MP3", "--merge", "-o", out, a, damaged, b});
  EXPECT_EQ(again.exit_code, 1) << again.output;
  EXPECT_EQ(Names(out), (std::set<std::string>{"Output_Merge.mp3", "Output_Merge(1).mp3"}));
  EXPECT_NEAR(ProbedSeconds(fs::path(out) / "Output_Merge(1).mp3"), 5.0, 0.1);
  EXPECT_NE(again.output.find("[2/3] bad.mp3: skipped: "), std::string::npos) << again.output;
  EXPECT_TRUE(HasLine(again.output, "Successed: 2")) << again.output;
}

// In a forked child: becomes argv[0] with the arguments (no return).
[[noreturn]] void Exec(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

// The child's exit status, waiting at most `seconds`; -1 (and the child killed) when it did not
// end by itself.
int WaitForExit(pid_t pid, int seconds) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliConvert, InterruptClosesTheRunningOutputsAndReports) {
  TempDir dir;
  std::vector<std::string> inputs;
  for (const char* name : {"t1.wav", "t2.wav", "t3.wav", "t4.wav"})
    inputs.push_back(Place(LongTone(), dir / "in" / name));
  const std::string out = (dir / "out").string(), log = (dir / "cli.log").string();
  std::vector<std::string> argv = {Cli(), "convert", "--format", "MP3", "--jobs", "2", "-o", out};
  argv.insert(argv.end(), inputs.begin(), inputs.end());
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
    dup2(fd, 2);
    Exec(argv);
  }
  ASSERT_GT(pid, 0);
  // Both running jobs have written audio.
  const auto written = [&] {
    const auto size = [&](const char* name) {
      std::error_code error;
      const uintmax_t bytes = fs::file_size(fs::path(out) / name, error);
      return error ? 0 : bytes;
    };
    return size("t1.mp3") > 100000 && size("t2.mp3") > 100000;
  };
  for (int i = 0; i < 600 && !written(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(written()) << ReadFile(log);
  kill(pid, SIGINT);
  const int status = WaitForExit(pid, 30);
  const std::string output = ReadFile(log);
  ASSERT_EQ(status, 1) << output;
  EXPECT_TRUE(HasLine(output, "[1/4] t1.wav: stopped")) << output;
  EXPECT_TRUE(HasLine(output, "[2/4] t2.wav: stopped")) << output;
  EXPECT_TRUE(HasLine(output, "Total files: 4")) << output;
  EXPECT_TRUE(HasLine(output, "Successed: 0")) << output;
  // The jobs that never ran leave nothing; the stopped ones are closed, readable files.
  EXPECT_EQ(Names(out), (std::set<std::string>{"t1.mp3", "t2.mp3"})) << output;
  for (const char* name : {"t1.mp3", "t2.mp3"}) {
    const fs::path file = fs::path(out) / name;
    const double seconds = ProbedSeconds(file);
    EXPECT_GT(seconds, 1.0) << name;
    EXPECT_LT(seconds, 600.0) << name;
    ProcessResult decode = RunProcess(
        {"ffmpeg", "-v", "error", "-xerror", "-i", file.string(), "-f", "null", "-"}, 60);
    EXPECT_EQ(decode.exit_code, 0) << name << ": " << decode.output;
  }
}

TEST(CliConvert, OnATerminalTheJobLinesAreRedrawnInPlace) {
  TempDir dir;
  const std::string a = Place(ToneWav(20), dir / "in/a.wav");
  const std::string out = (dir / "out").string();
  std::vector<std::string> argv = {Cli(), "convert", "--format", "WAV", "-o", out, a};
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    setenv("TERM", "xterm", 1);
    Exec(argv);
  }
  ASSERT_GT(pid, 0);
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // the child closed the terminal
    output.append(buffer, static_cast<size_t>(n));
  }
  close(master);
  EXPECT_EQ(WaitForExit(pid, 60), 0) << output;
  EXPECT_NE(output.find("\x1b[J"), std::string::npos) << output;
  EXPECT_NE(output.find("[1/1] a.wav: done in "), std::string::npos) << output;
  EXPECT_NE(output.find("Total files: 1"), std::string::npos) << output;
  EXPECT_TRUE(fs::exists(fs::path(out) / "a.wav"));
}

TEST(CliConvert, UsageErrorsExitWithTwoAndWriteNothing) {
  TempDir dir;
  const std::string in = Place(ToneWav(2), dir / "in/a.wav");
  const std::string out = (dir / "never").string();
  struct Case {
    std::vector<std::string> args;
    std::string says;  // part of the message
  };
  const std::vector<Case> cases = {
      {{"--format", "OGM", in}, "MP3"},
      {{"--class", "audio", "--format", "AVI", in}, "WAV, MP3, WMA"},
      {{"--class", "radio", "--format", "MP3", in}, "video, device or audio"},
      {{"--format", "MP3", "--preset", "4", in},
       "3  Best Quality - MP3: 48000 Hz, Stereo, 320 kbps"},
      {{"--format", "MP3", "--preset", "-1", in}, "0  For Mobile"},
      {{"--format", "MP3", "--preset", "two", in}, "presets are"},
      {{"--format", "MP3", "--preset-name", "Quality", in}, "several"},
      {{"--format", "MP3", "--preset-name", "lossless", in}, "Normal Quality"},
      {{"--format", "MP3", "--preset", "1", "--preset-name", "Media", in}, "exclude"},
      {{"--format", "MP3", "--jobs", "0", in}, "--jobs"},
      {{"--format", "MP3", "--jobs", "many", in}, "--jobs"},
      {{"--format", "MP3"}, "no input file"},
      {{in}, "--format is needed"},
      {{"--format", "MP3", "--loud", in}, "unknown option"},
      {{"--format", "MP3", in, "-o"}, "-o needs a value"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"-o", out};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessResult r = Convert(args, 60);
    EXPECT_EQ(r.exit_code, 2) << c.says << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
  }
  EXPECT_FALSE(fs::exists(out));
}

TEST(CliPresets, SearchFindsDescriptionsWhateverTheirLetterCase) {
  const std::string listing = ReadFile(SourceDir() / "tests/convert/presets_listing.txt");
  const auto search = [](const std::string& text) {
    return RunProcess({Cli(), "presets", "--search", text}, 60);
  };
  for (const std::string& text : {std::string("iphone"), std::string("320X240")}) {
    ProcessResult r = search(text);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    // The rows of the full listing whose description holds the text, letter case ignored.
    std::string expected;
    for (const std::string& line : SplitLines(listing)) {
      std::string description = line.substr(line.rfind('\t') + 1), lower = text;
      std::transform(description.begin(), description.end(), description.begin(), ::tolower);
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      if (description.find(lower) != std::string::npos) expected += line + "\n";
    }
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(r.output, expected) << text;
  }
  EXPECT_NE(search("iPhone").output.find("device\tiPhone\t"), std::string::npos);
  EXPECT_EQ(search("no such preset anywhere").exit_code, 1);
  EXPECT_EQ(RunProcess({Cli(), "presets", "--search"}, 60).exit_code, 2);
}

}  // namespace
}  // namespace tallowin::test
