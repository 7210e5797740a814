// The FFmpeg libraries at run time: the loader, the entry-point table FF() and the per-thread
// I/O interrupt registry.
//
// Nothing links FFmpeg. `FFLoader().Load(set)` opens the shared objects of a library set, checks
// that each one's major version is the one of the headers we were built with, and resolves the
// entry points of ff_api.h into FF(). Libraries are looked for in the library folder first (the
// folder "lib" beside the executable in the program) and otherwise by their bare names through
// the normal search, so an empty folder uses the system's FFmpeg. A failure leaves a text in
// LastErrMsg() and unloads the whole set.
//
//   TFFLoader& loader = FFLoader();
//   loader.SetLibraryFolder(ExecutableLibraryFolder());
//   if (!loader.Load(kEncoderLibraries)) report(loader.LastErrMsg());
//
// Blocking I/O of a format context is abandoned when the interrupt test that the calling thread
// registered says so:
//
//   ctx->interrupt_callback = TInterruptCB::IOCallback();
//   TScopedInterrupt guard(&Task::TimedOutOrStopped, this);  // for this thread only
//   avformat_open_input(&ctx, ...);
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "media/runtime/ff_api.h"
#include "media/runtime/thread_id.h"

namespace tallowin::media {

// The rows of the library table; the id is the bit of the library in a set.
enum TLibraryId : int {
  libAVCodec = 0,
  libAVCore = 1,  // libswresample: sample conversion and resampling
  libAVDevice = 2,
  libAVFilter = 3,
  libAVFormat = 4,
  libAVUtil = 5,
  libSwScale = 6,
  libMSVCRT = 7,  // the system C library, never looked for in the library folder
  kLibraryCount = 8,
};

using TLibrarySet = unsigned;
constexpr TLibrarySet LibraryBit(TLibraryId id) {
  return 1u << id;
}
// Every library but avdevice: what the encoder needs.
constexpr TLibrarySet kEncoderLibraries = 0xFB;
// Every library: what is unloaded at the end.
constexpr TLibrarySet kAllLibraries = 0xFF;

class TFFLoader {
 public:
  TFFLoader() = default;
  // Process end: clears the table; the modules stay mapped until the process is gone.
  ~TFFLoader();
  TFFLoader(const TFFLoader&) = delete;
  TFFLoader& operator=(const TFFLoader&) = delete;

  // The folder searched first; empty = only the normal search. A trailing "/" is optional.
  void SetLibraryFolder(const std::string& folder);
  std::string LibraryFolder() const;

  // A file name (optionally with a folder) used instead of the default one; empty = default.
  void SetLibraryFileName(TLibraryId id, const std::string& file_name);

  // Loads every library of the set (must not be empty), in ascending id order. Libraries that
  // are loaded already are not touched again. On the first failure every library of the set is
  // unloaded, LastErrMsg() says why and the result is false.
  bool Load(TLibrarySet set);
  // Every library of the set has its module and its resolved entry points.
  bool Loaded(TLibrarySet set) const;
  bool LibraryLoaded(TLibraryId id) const;
  void Unload(TLibrarySet set);

  std::string LastErrMsg() const;

  // Whether loading avutil installs the log router's callback (on by default).
  void SetLogHook(bool on);

  // "libavcodec.so.59" ...: the shared object of a row, with the headers' major version.
  static std::string DefaultFileName(TLibraryId id);
  // The library's role name of the table ("avcodec", "avcore", ..., "msvcrt").
  static const char* BaseName(TLibraryId id);
  // The major version of the headers for a row; -1 for the C library.
  static int HeaderMajorVersion(TLibraryId id);

 private:
  struct Status {
    std::string file_name;            // override; empty = default
    void* handle = nullptr;           // the library's own module
    std::vector<void*> dependencies;  // its dependencies opened from the library folder
    bool resolved = false;
  };

  bool LoadOneLocked(TLibraryId id);
  bool OpenLocked(TLibraryId id);
  bool OpenFileLocked(TLibraryId id, const std::string& folder_file, void** out);
  bool CheckVersionLocked(TLibraryId id, void* handle, const std::string& name);
  void UnloadOneLocked(TLibraryId id);
  std::string FileNameLocked(TLibraryId id) const;
  // The folder (with "/") a library is looked for in first; empty = none.
  std::string FolderForLocked(TLibraryId id) const;

  mutable std::mutex mutex_;
  std::string folder_;
  std::string last_error_;
  bool log_hook_ = true;
  Status status_[kLibraryCount];
};

// The loader of the process.
TFFLoader& FFLoader();

// The folder "lib" beside the running executable, with a trailing "/".
std::string ExecutableLibraryFolder();

// The I/O interrupt registry: interrupt tests registered per thread. The callback handed to
// every format context runs the test of the thread that is doing the I/O, so each task only
// ever abandons its own I/O.
class TInterruptCB {
 public:
  // Returns true when the owner wants the current I/O abandoned.
  using Callback = bool (*)(void* owner);

  // Ignored when the same entry is registered already.
  void Add(ThreadId thread_id, Callback callback, void* owner);
  // Removes the first identical entry.
  void Remove(ThreadId thread_id, Callback callback, void* owner);
  void Clear();
  // The answer of the first test registered for the thread; false when there is none.
  bool Check(ThreadId thread_id) const;

  // For AVFormatContext::interrupt_callback (before avformat_open_input or avio_open2).
  static AVIOInterruptCB IOCallback();

 private:
  struct Entry {
    ThreadId thread_id;
    Callback callback;
    void* owner;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// The registry of the process.
TInterruptCB& InterruptRegistry();

// Registers an interrupt test for the calling thread for its lifetime.
class TScopedInterrupt {
 public:
  TScopedInterrupt(TInterruptCB::Callback callback, void* owner);
  ~TScopedInterrupt();
  TScopedInterrupt(const TScopedInterrupt&) = delete;
  TScopedInterrupt& operator=(const TScopedInterrupt&) = delete;

 private:
  ThreadId thread_id_;
  TInterruptCB::Callback callback_;
  void* owner_;
};

}  // namespace tallowin::media
