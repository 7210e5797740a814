// The stand-in video service of the download tests (fake_video_service.py), started on 127.0.0.1
// for one test and reached through http_proxy, so that links keep the service's host name.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/scoped_env.h"
#include "support/test_support.h"

namespace tallowin::test {

struct FakeStream {
  std::string file;  // the bytes served
  int status = 200;
  bool nolen = false;  // no Content-Length
  int delay_ms = 0;    // a pause after each chunk
  int chunk = 65536;
  bool missing_itag = false;  // listed in the map without "&itag="
};

struct FakeVideo {
  std::string title;  // put into the page as it is
  bool no_title = false;
  bool no_marker = false;
  bool endless_page = false;
  bool no_map = false;
  std::vector<std::string> extra_pieces;
  std::map<int, FakeStream> streams;  // by itag

  FakeVideo WithoutTitle() const { return With(&FakeVideo::no_title); }
  FakeVideo WithoutMarker() const { return With(&FakeVideo::no_marker); }
  FakeVideo Endless() const { return With(&FakeVideo::endless_page); }
  FakeVideo WithoutMap() const { return With(&FakeVideo::no_map); }

 private:
  FakeVideo With(bool FakeVideo::*flag) const {
    FakeVideo v = *this;
    v.*flag = true;
    return v;
  }
};

FakeVideo Video(const std::string& title, std::map<int, FakeStream> streams = {});

class FakeVideoService {
 public:
  explicit FakeVideoService(const std::map<std::string, FakeVideo>& videos);
  ~FakeVideoService();
  FakeVideoService(const FakeVideoService&) = delete;
  FakeVideoService& operator=(const FakeVideoService&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT", the value given to http_proxy.
  std::string ProxyURL() const;
  // "PATH?QUERY" of every request served so far, in order.
  std::vector<std::string> Requests() const;
  static std::string Link(const std::string& id) { return "http://www.youtube.com/watch?v=" + id; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::unique_ptr<ScopedEnv> proxy_;
  std::unique_ptr<ScopedEnv> no_proxy_;
  std::unique_ptr<ScopedEnv> no_proxy_upper_;
};

// Small real clips made with ffmpeg (once per build tree).
fs::path ClipMP4();
fs::path ClipFLV();

}  // namespace tallowin::test
