// tallowin-cli encode: one encoder task built from option records.
//
//   tallowin-cli encode --in FILE [--in FILE ...] --out FILE [--set Field=Value ...]
//                       [--set-in Field=Value ...]
//
// --set assigns a TOutputOptions field, --set-in a TInputOptions field (for every input), by the
// field's name ("\n" in a value is a line break). The task runs through TFFEncoder with
// StartTask(1); every progress report prints a percentage line, every end of task a terminate
// line. The exit status is 0 when the task finished.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_command.h"
#include "common/dispatcher.h"
#include "media/components/ff_encode.h"
#include "media/runtime/ff_log.h"

namespace tallowin::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) {
  g_interrupted = 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tallowin-cli encode --in FILE [--in FILE ...] --out FILE "
               "[--set Field=Value ...] [--set-in Field=Value ...]\n");
  return 2;
}

int RunEncode(const std::vector<std::string>& args) {
  using namespace tallowin::media;
  std::vector<std::string> inputs;
  std::string output;
  TOutputOptions out_options;
  TInputOptions in_options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) return Usage();
    const std::string& value = args[++i];
    std::string error;
    if (arg == "--in") {
      inputs.push_back(value);
    } else if (arg == "--out") {
      output = value;
    } else if (arg == "--set") {
      if (!AssignField(out_options, value, &error)) {
        std::fprintf(stderr, "encode: %s\n", error.c_str());
        return 2;
      }
    } else if (arg == "--set-in") {
      if (!AssignField(in_options, value, &error)) {
        std::fprintf(stderr, "encode: %s\n", error.c_str());
        return 2;
      }
    } else {
      return Usage();
    }
  }
  if (inputs.empty() || output.empty()) return Usage();

  TFFLogger logger;
  logger.SetLogLevel(llError);
  logger.SetOnLog([](const void*, ThreadId thread, TLogLevel level, const std::string& text) {
    std::fprintf(stderr, "#%lu.%d: %s\n", thread, static_cast<int>(level), text.c_str());
  });

  TFFEncoder encoder;
  if (!encoder.LibrariesLoaded() && !encoder.LoadLibraries(ExecutableDir() + "lib/")) {
    std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
    return 1;
  }
  // Each input gets its own copy of the record, so that an empty FileName takes its name.
  TInputOptions first = in_options;
  const int task = encoder.AddTask(inputs[0], &first);
  if (task < 0) {
    std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
    return 1;
  }
  for (size_t i = 1; i < inputs.size(); ++i) {
    TInputOptions more = in_options;
    if (!encoder.AddInputFile(task, inputs[i], &more)) {
      std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
      return 1;
    }
  }
  if (!encoder.SetOutputFile(task, output, &out_options)) {
    std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
    return 1;
  }

  bool finished = false;
  bool all_done = false;
  encoder.SetOnProgress([](TCustomEncoder&, PProgressInfo p) {
    if (p->TotalDuration > 0)
      std::printf("progress: task %d %.1f%%\n", p->TaskIndex,
                  p->CurrentDuration * 100.0 / p->TotalDuration);
    else
      std::printf("progress: task %d time %.2f s\n", p->TaskIndex, p->CurrentDuration / 1e6);
    std::fflush(stdout);
  });
  // Terminate events come on delivery threads: hand them to this (main) thread to print.
  encoder.SetOnTerminate([&](TCustomEncoder&, const TTerminateInfo& t) {
    MainDispatcher().Send([&] {
      std::printf("terminate: task %d finished=%d exception=%d%s%s\n", t.TaskIndex,
                  t.Finished ? 1 : 0, t.Exception ? 1 : 0, t.ExceptionMsg.empty() ? "" : " ",
                  t.ExceptionMsg.c_str());
      std::fflush(stdout);
      if (t.TaskIndex == task) finished = t.Finished;
      if (t.TaskIndex < 0) all_done = true;
    });
  });
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  encoder.StartTask(1);
  // Ctrl+C stops the task; it still ends through its terminate events.
  bool stop_sent = false;
  while (!MainDispatcher().WaitUntil([&] { return all_done; }, std::chrono::milliseconds(100))) {
    if (g_interrupted && !stop_sent) {
      stop_sent = true;
      encoder.Stop(false);
    }
  }
  encoder.DetachEvents();
  encoder.ClearTasks();
  MainDispatcher().ProcessPending();
  return finished ? 0 : 1;
}

const Registration kEncode{"encode",
                           "encode --in FILE [--in FILE ...] --out FILE [--set Field=Value ...] "
                           "[--set-in Field=Value ...]",
                           &RunEncode};

}  // namespace
}  // namespace tallowin::cli
