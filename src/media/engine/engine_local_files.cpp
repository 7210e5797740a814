// The engine's dealings with local files beyond what the libraries do: named pipes, and the
// outputs a failed task leaves without data.
//
// Opening a named pipe blocks in open(2) until its other end appears, where the libraries'
// interrupt callback cannot reach: the engine waits for that end itself, under the same I/O
// time limit and stop test as every other open.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

#include "media/engine/engine_state.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {

std::string LocalPath(const std::string& name) {
  return name.rfind("file:", 0) == 0 ? name.substr(5) : name;
}

PipeEnd::~PipeEnd() {
  if (fd >= 0) ::close(fd);
}

PipeEnd TCustomFFmpeg::Impl::AwaitPipePeer(const std::string& name, bool write) {
  const std::string path = LocalPath(name);
  PipeEnd end;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) return end;
  StartIOTimer();
  struct Stop {
    Impl& impl;
    ~Stop() { impl.StopIOTimer(); }
  } stop{*this};
  for (;;) {
    if (write) {
      // Without a reader this fails with ENXIO at once; once it succeeds, the end is kept open
      // until the library has opened its own, so the reader never sees an end of file between.
      end.fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (end.fd >= 0 || errno != ENXIO) return end;
      ::usleep(20000);
    } else {
      if (end.fd < 0) end.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (end.fd < 0) return end;  // the library's open reports why
      // A pipe that never had a writer polls as nothing; data or a writer's close is an answer.
      pollfd p{end.fd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) {
        if (p.revents & POLLIN) {
          // The writer may close before the library would open the pipe by name (which would
          // then wait for the next writer): the library reads through this end, blocking.
          const int flags = ::fcntl(end.fd, F_GETFL);
          if (flags >= 0) ::fcntl(end.fd, F_SETFL, flags & ~O_NONBLOCK);
          return end;
        }
        throw FFmpegException(FileErrorText(name, AVERROR_EOF));  // the writer left, silent
      }
    }
    if (TimeoutOrCancel(this)) throw FFmpegException(FileErrorText(name, AVERROR_EXIT));
  }
}

void TCustomFFmpeg::Impl::RemoveEmptyOutputs() {
  for (const OutputFile& file : outputs) {
    if (!file.created || file.packets != 0) continue;
    const std::string path = LocalPath(file.name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

}  // namespace tallowin::media
