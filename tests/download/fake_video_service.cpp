#include "download/fake_video_service.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace tallowin::test {
namespace {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* Bool(bool value) {
  return value ? "true" : "false";
}

std::string ConfigText(const std::map<std::string, FakeVideo>& videos, const std::string& log) {
  std::ostringstream out;
  out << "{\"request_log\": " << Json(log) << ", \"videos\": {";
  bool first_video = true;
  for (const auto& [id, v] : videos) {
    if (!first_video) out << ", ";
    first_video = false;
    out << Json(id) << ": {\"title\": " << Json(v.title) << ", \"no_title\": " << Bool(v.no_title)
        << ", \"no_marker\": " << Bool(v.no_marker)
        << ", \"endless_page\": " << Bool(v.endless_page) << ", \"no_map\": " << Bool(v.no_map)
        << ", \"extra_pieces\": [";
    for (size_t i = 0; i < v.extra_pieces.size(); ++i)
      out << (i ? ", " : "") << Json(v.extra_pieces[i]);
    out << "], \"streams\": {";
    bool first_stream = true;
    for (const auto& [itag, s] : v.streams) {
      if (!first_stream) out << ", ";
      first_stream = false;
      out << Json(std::to_string(itag)) << ": {\"file\": " << Json(s.file)
          << ", \"status\": " << s.status << ", \"nolen\": " << Bool(s.nolen)
          << ", \"delay_ms\": " << s.delay_ms << ", \"chunk\": " << s.chunk
          << ", \"missing_itag\": " << Bool(s.missing_itag) << "}";
    }
    out << "}}";
  }
  out << "}}";
  return out.str();
}

}  // namespace

FakeVideoService::FakeVideoService(const std::map<std::string, FakeVideo>& videos) {
  const fs::path config = dir_ / "config.json";
  WriteFile(config, ConfigText(videos, (dir_ / "requests.log").string()));
  const ChildServer server = StartChildServer(
      {"python3", (SourceDir() / "tests/download/fake_video_service.py").string(), config.string()},
      "the fake video service did not start");
  pid_ = server.pid;
  port_ = server.port;
  proxy_ = std::make_unique<ScopedEnv>("http_proxy", ProxyURL());
  no_proxy_ = std::make_unique<ScopedEnv>("no_proxy", std::nullopt);
  no_proxy_upper_ = std::make_unique<ScopedEnv>("NO_PROXY", std::nullopt);
}

FakeVideoService::~FakeVideoService() {
  proxy_.reset();
  no_proxy_.reset();
  no_proxy_upper_.reset();
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string FakeVideoService::ProxyURL() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> FakeVideoService::Requests() const {
  const fs::path log = dir_ / "requests.log";
  if (!fs::exists(log)) return {};
  return SplitLines(ReadFile(log));
}

FakeVideo Video(const std::string& title, std::map<int, FakeStream> streams) {
  FakeVideo v;
  v.title = title;
  v.streams = std::move(streams);
  return v;
}

fs::path ClipMP4() {
  return GeneratedMedia(
      "download_clip.mp4",
      {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:v", "libx264", "-preset",
       "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"});
}

fs::path ClipFLV() {
  return GeneratedMedia("download_clip.flv",
                        {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-f",
                         "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-c:v",
                         "flv", "-c:a", "libmp3lame", "-ar", "44100", "-shortest"});
}

}  // namespace tallowin::test
