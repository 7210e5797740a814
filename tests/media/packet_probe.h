// The packets of one stream of a file as ffprobe reads them: time, size, key flag, MD5 of the data.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tallowin::test {

struct ProbedPacket {
  double pts = -1;  // seconds; -1 when the packet has none
  int size = 0;
  bool key = false;
  std::string hash;  // "MD5:..."
};

// `stream` is an ffprobe stream specifier such as "v:0" or "a:0".
inline std::vector<ProbedPacket> ProbePackets(const fs::path& file, const std::string& stream) {
  const auto r =
      RunProcess({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                  "packet=pts_time,size,flags,data_hash", "-show_data_hash", "MD5", file.string()});
  std::vector<ProbedPacket> packets;
  for (const std::string& line : SplitLines(r.output)) {
    if (line == "[PACKET]") {
      packets.emplace_back();
      continue;
    }
    const size_t eq = line.find('=');
    if (packets.empty() || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    ProbedPacket& p = packets.back();
    if (key == "pts_time")
      p.pts = value == "N/A" ? -1 : std::atof(value.c_str());
    else if (key == "size")
      p.size = std::atoi(value.c_str());
    else if (key == "flags")
      p.key = !value.empty() && value[0] == 'K';
    else if (key == "data_hash")
      p.hash = value;
  }
  return packets;
}

// The mean size of packets [first, last) in file order.
inline double MeanPacketSize(const std::vector<ProbedPacket>& packets, size_t first, size_t last) {
  if (last > packets.size()) last = packets.size();
  if (first >= last) return 0;
  double sum = 0;
  for (size_t i = first; i < last; ++i) sum += packets[i].size;
  return sum / static_cast<double>(last - first);
}

}  // namespace tallowin::test
