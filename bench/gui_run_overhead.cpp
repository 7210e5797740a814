// gui_run_overhead [RUNS]: one 1080p clip into an AVI preset, converted through the main window
// (offscreen, driven by code: the job building, the encoder and every progress and end notice
// through the window's handlers) and through `tallowin-cli engine` with the same engine options,
// run alternately. Prints the median wall time of each, the window's extra cost in percent, and the
// largest gap between two turns of the window's event loop during its runs.
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_child.h"
#include "common/dispatcher.h"
#include "common/qt_dispatcher.h"
#include "convert/preset_catalogue.h"
#include "convert/preset_input.h"
#include "media/components/ff_decode.h"
#include "media/components/records_to_options.h"
#include "shell/global_vars.h"
#include "ui/page_control.h"
#include "ui/slide_grid.h"
#include "wizard/form_main.h"
#include "wizard/input_row.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kAVI = 0;
constexpr int kAVIPreset = 2;  // MPEG4 2500 kbps at the original size, MP3 256 kbps

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int RunQuiet(const std::vector<std::string>& argv) {
  return tallowin::bench::RunChild(argv).status;
}

// The engine options the window's job building gives the clip, as a command line.
std::vector<std::string> EngineArguments(const std::string& input, const std::string& output) {
  tallowin::media::TFFDecoder decoder;
  if (!decoder.LoadFile(input)) return {};
  tallowin::media::TOutputOptions options = tallowin::convert::PresetOutputOptions(
      kAVI, kAVI, kAVIPreset, tallowin::convert::TPresetJob::PerFile,
      tallowin::convert::PresetInputFromDecoder(decoder));
  std::vector<std::string> argv = {
      TALLOWIN_BIN_DIR "/tallowin-cli", "engine", "--quiet", "--", "-i", input};
  for (const auto& option : tallowin::media::BuildOutputOptions(options).Before) {
    // Empty names and the input-sync flag at its default restate what the engine does anyway;
    // on a command line a flag takes no value.
    if (option.Value.empty() || (option.Name == "isync" && option.Value == "0")) continue;
    argv.push_back("-" + option.Name);
    if (option.Name != "isync") argv.push_back(option.Value);
  }
  argv.push_back(output);
  return argv;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path work =
      fs::temp_directory_path() / ("tallowin-gui-bench-" + std::to_string(getpid()));
  fs::create_directories(work / "home");
  setenv("HOME", (work / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (work / "home/.config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string clip = (work / "clip_1080p.mp4").string();
  if (RunQuiet({"ffmpeg",    "-y",
                "-f",        "lavfi",
                "-i",        "testsrc2=size=1920x1080:rate=25:duration=12",
                "-f",        "lavfi",
                "-i",        "sine=frequency=440:duration=12",
                "-ac",       "2",
                "-c:v",      "libx264",
                "-preset",   "veryfast",
                "-pix_fmt",  "yuv420p",
                "-c:a",      "aac",
                "-shortest", clip}) != 0) {
    std::fprintf(stderr, "gui_run_overhead: ffmpeg could not make the clip\n");
    return 1;
  }

  QApplication app(argc, argv);
  tallowin::Dispatcher dispatcher;
  tallowin::InstallQtDispatcher(dispatcher);
  tallowin::TFormMain form(TALLOWIN_BIN_DIR "/");
  if (!form.FFEncoder.LibrariesLoaded()) {
    std::fprintf(stderr, "gui_run_overhead: the media libraries did not load\n");
    return 1;
  }
  const std::vector<std::string> cli = EngineArguments(clip, (work / "cli.avi").string());

  std::vector<double> window_s, building_s, cli_s;
  double largest_gap_ms = 0;
  for (int run = 0; run < runs; ++run) {
    // The window: the row of the input list, the selection, and Convert as Step2 posts it.
    fs::remove_all(work / "out");
    fs::create_directories(work / "out");
    tallowin::TGlobalVars& g = tallowin::GlobalVars();
    g.OutputFileDir = (work / "out/").string();
    g.OutputFormatClass = kAVI;
    g.OutputVideoFormat = kAVI;
    g.OutputAVIPreset = kAVIPreset;
    g.PlayASoundWhenFinished = g.ShutDownWhenFinished = false;
    form.NextGrid->ClearRows();
    const int row = form.NextGrid->AddRow();
    form.NextGrid->SetCell(row, tallowin::NxTextColumnFileFullName, QString::fromStdString(clip));
    form.ActivatePage(tallowin::TWizardPage::Step3);

    Clock::time_point last_turn = Clock::now();
    double gap_ms = 0;
    QTimer turn;
    // A 10 ms tick: often enough to see a stall, rare enough not to take a core from the run.
    turn.setInterval(10);
    QObject::connect(&turn, &QTimer::timeout, [&] {
      const Clock::time_point now = Clock::now();
      gap_ms = std::max(gap_ms, Seconds(now - last_turn) * 1000);
      last_turn = now;
    });
    const Clock::time_point start = Clock::now();
    turn.start();
    last_turn = Clock::now();
    form.StartConversionRun();
    // StartConversionRun returns once the jobs are built and the encoder has started.
    building_s.push_back(Seconds(Clock::now() - start));
    while (form.ActivePage() != tallowin::TWizardPage::Step4)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window_s.push_back(Seconds(Clock::now() - start));
    turn.stop();
    largest_gap_ms = std::max(largest_gap_ms, gap_ms);
    if (form.LabelFinishSuccessed->text() != "1")
      std::fprintf(stderr, "gui_run_overhead: the window's run failed\n");

    // The same conversion through the command line.
    fs::remove(work / "cli.avi");
    const Clock::time_point cli_start = Clock::now();
    if (RunQuiet(cli) != 0) {
      std::string line;
      for (const std::string& a : cli) line += " " + a;
      std::fprintf(stderr, "gui_run_overhead: tallowin-cli failed:%s\n", line.c_str());
    }
    cli_s.push_back(Seconds(Clock::now() - cli_start));
  }
  const double w = Median(window_s), c = Median(cli_s);
  std::printf("gui_run_overhead: 1080p 12 s clip -> AVI preset %d, %d runs each\n", kAVIPreset,
              runs);
  std::printf("  window (offscreen)      median %.3f s\n", w);
  std::printf("    of which job building median %.3f s (probing the input, opening both files)\n",
              Median(building_s));
  std::printf("  tallowin-cli engine     median %.3f s\n", c);
  std::printf("  window extra cost       %+.1f %%\n", (w / c - 1) * 100);
  std::printf("  largest event-loop gap  %.1f ms (ticks due every 10 ms)\n", largest_gap_ms);
  fs::remove_all(work);
  return 0;
}
