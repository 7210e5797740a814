// tallowin-cli fetch: one transfer through TWinHTTP, printing its progress and outcome events.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_command.h"
#include "common/dispatcher.h"
#include "net/win_http.h"

namespace tallowin::cli {
namespace {

using net::TCustomWinHTTP;
using net::TStream;

bool ParseNumber(const std::string& text, std::int64_t& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18)
    return false;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tallowin-cli fetch URL [-o FILE] [--range START[-END]] [--post DATA] "
               "[--abort-after BYTES]\n");
  return 2;
}

int RunFetch(const std::vector<std::string>& args) {
  std::string url, output, post;
  bool has_post = false;
  std::int64_t range_start = 0, range_end = 0, abort_after = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      output = args[++i];
    } else if (a == "--post" && has_value) {
      post = args[++i];
      has_post = true;
    } else if (a == "--range" && has_value) {
      const std::string& r = args[++i];
      auto dash = r.find('-');
      if (!ParseNumber(r.substr(0, dash), range_start)) return Usage();
      if (dash != std::string::npos && dash + 1 < r.size() &&
          !ParseNumber(r.substr(dash + 1), range_end))
        return Usage();
      if (range_start > 0xFFFFFFFFll || range_end > 0xFFFFFFFFll) return Usage();
    } else if (a == "--abort-after" && has_value) {
      if (!ParseNumber(args[++i], abort_after)) return Usage();
    } else if (url.empty() && !a.empty() && a[0] != '-') {
      url = a;
    } else {
      return Usage();
    }
  }
  if (url.empty()) return Usage();

  net::TWinHTTP http;
  http.URL = url;
  http.OutputFileName = output;
  if (has_post) {
    http.POSTData = post;
    http.RequestMethod = net::TWinHTTPRequestMethod::rmPOST;
  }
  bool done = false;
  bool abort_requested = false;
  http.OnProgress = [&](TCustomWinHTTP&, const std::string&, const net::TWinHTTPProgress& p,
                        TStream*) {
    std::printf("OnProgress BytesRead=%" PRId64 " DataSize=%" PRId64
                " PercentsDone=%u "
                "TransferRate=%.1f\n",
                p.BytesRead, p.DataSize, static_cast<unsigned>(p.PercentsDone),
                static_cast<double>(p.TransferRate));
  };
  http.OnDone = [&](TCustomWinHTTP&, const std::string&, std::int64_t size, TStream*) {
    done = true;
    std::printf("OnDone FileSize=%" PRId64 "\n", size);
  };
  http.OnDoneInterrupted = [](TCustomWinHTTP&) { std::printf("OnDoneInterrupted\n"); };
  http.OnConnLost = [](TCustomWinHTTP&, const std::string&, std::int64_t size, std::int64_t read,
                       TStream*) {
    std::printf("OnConnLost FileSize=%" PRId64 " BytesRead=%" PRId64 "\n", size, read);
  };
  http.OnHTTPError = [](TCustomWinHTTP&, int code, TStream*) {
    std::printf("OnHTTPError %d\n", code);
  };
  http.OnHostUnreachable = [](TCustomWinHTTP&) { std::printf("OnHostUnreachable\n"); };
  http.OnOutputFileError = [](TCustomWinHTTP&) { std::printf("OnOutputFileError\n"); };
  http.OnAnyError = [](TCustomWinHTTP&) { std::printf("OnAnyError\n"); };
  http.OnAborted = [](TCustomWinHTTP&) { std::printf("OnAborted\n"); };

  http.ReadRange(static_cast<std::uint32_t>(range_start), static_cast<std::uint32_t>(range_end));
  // The byte count is watched while waiting, not only at block ends: a server that trickles
  // would otherwise keep the abort waiting for a whole block.
  MainDispatcher().WaitUntil([&] {
    if (abort_after >= 0 && !abort_requested && http.InProgress() &&
        http.Received() >= abort_after) {
      abort_requested = true;
      http.Abort(false, false);
    }
    return !http.InProgress() && !http.Running();
  });
  std::fflush(stdout);
  return done ? 0 : 1;
}

const Registration kFetch{"fetch",
                          "fetch URL [-o FILE] [--range START[-END]] [--post DATA] "
                          "[--abort-after BYTES]",
                          &RunFetch};

}  // namespace
}  // namespace tallowin::cli
