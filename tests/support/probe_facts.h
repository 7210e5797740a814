// ffprobe as the oracle of a converted file's facts: container, first video stream (codec, size,
// rate) and first audio stream (codec, sample rate, channels) in one line.
#pragma once

#include <string>
#include <vector>

#include "support/test_support.h"

namespace tallowin::test {

// One value per line -> "a,b,c".
inline std::string JoinProbeLines(const std::string& text) {
  std::string out = text;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  for (char& c : out)
    if (c == '\n') c = ',';
  return out;
}

// "container|video codec,width,height,rate|audio codec,sample rate,channels"; a kind the file
// lacks is empty.
inline std::string ProbeFacts(const std::string& file) {
  auto probe = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"ffprobe", "-v", "error"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-of", "default=nw=1:nk=1", file});
    return JoinProbeLines(RunProcess(argv, 60).output);
  };
  return probe({"-show_entries", "format=format_name"}) + "|" +
         probe({"-select_streams", "V:0", "-show_entries",
                "stream=codec_name,width,height,r_frame_rate"}) +
         "|" +
         probe(
             {"-select_streams", "a:0", "-show_entries", "stream=codec_name,sample_rate,channels"});
}

}  // namespace tallowin::test
