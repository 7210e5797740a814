#include "media/runtime/ff_load.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

FFApi g_api;

// The rows that the X lines of ff_api.h name.
constexpr TLibraryId kRow_avcodec = libAVCodec;
constexpr TLibraryId kRow_avcore = libAVCore;
constexpr TLibraryId kRow_avdevice = libAVDevice;
constexpr TLibraryId kRow_avfilter = libAVFilter;
constexpr TLibraryId kRow_avformat = libAVFormat;
constexpr TLibraryId kRow_avutil = libAVUtil;
constexpr TLibraryId kRow_swscale = libSwScale;

struct Row {
  const char* base_name;   // the role in the table
  const char* soname;      // the shared object without its version suffix
  const char* version_fn;  // the entry point that tells the run-time version
  int major;               // the headers' major version; -1 = none
  TLibrarySet needs;       // the libraries it links to, found beside it when it is in the folder
};

constexpr TLibrarySet Bits(std::initializer_list<TLibraryId> ids) {
  TLibrarySet set = 0;
  for (TLibraryId id : ids) set |= LibraryBit(id);
  return set;
}

const Row kRows[kLibraryCount] = {
    {"avcodec", "libavcodec.so", "avcodec_version", LIBAVCODEC_VERSION_MAJOR,
     Bits({libAVUtil, libAVCore})},
    {"avcore", "libswresample.so", "swresample_version", LIBSWRESAMPLE_VERSION_MAJOR,
     Bits({libAVUtil})},
    {"avdevice", "libavdevice.so", "avdevice_version", LIBAVDEVICE_VERSION_MAJOR,
     Bits({libAVUtil, libAVCore, libSwScale, libAVCodec, libAVFormat, libAVFilter})},
    {"avfilter", "libavfilter.so", "avfilter_version", LIBAVFILTER_VERSION_MAJOR,
     Bits({libAVUtil, libAVCore, libSwScale, libAVCodec, libAVFormat})},
    {"avformat", "libavformat.so", "avformat_version", LIBAVFORMAT_VERSION_MAJOR,
     Bits({libAVUtil, libAVCore, libAVCodec})},
    {"avutil", "libavutil.so", "avutil_version", LIBAVUTIL_VERSION_MAJOR, 0},
    {"swscale", "libswscale.so", "swscale_version", LIBSWSCALE_VERSION_MAJOR, Bits({libAVUtil})},
    {"msvcrt", "libc.so.6", nullptr, -1, 0},
};

// Dependencies first: the order in which a library's companions are opened from the folder.
constexpr TLibraryId kDependencyOrder[] = {libAVUtil,   libAVCore,   libSwScale, libAVCodec,
                                           libAVFormat, libAVFilter, libAVDevice};

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DirectoryPart(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string FilePart(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string DlError() {
  const char* text = ::dlerror();
  return text ? text : "unknown error";
}

std::string LoadLibraryError(const std::string& name, const std::string& reason) {
  return "Load library " + name + " error: " + reason;
}

// Resolves the X lines of one library into the table; false with the failure text.
bool Resolve(TLibraryId id, void* handle, const std::string& file_name, std::string& error) {
  ::dlerror();
#define TALLOWIN_FF_RESOLVE(library, name)                                     \
  if (kRow_##library == id) {                                                  \
    void* symbol = ::dlsym(handle, #name);                                     \
    if (!symbol) {                                                             \
      error = "Load function " #name "@" + file_name + " error: " + DlError(); \
      return false;                                                            \
    }                                                                          \
    g_api.name = reinterpret_cast<decltype(g_api.name)>(symbol);               \
  }
  TALLOWIN_FF_ALL(TALLOWIN_FF_RESOLVE)
#undef TALLOWIN_FF_RESOLVE
  return true;
}

void Clear(TLibraryId id) {
#define TALLOWIN_FF_CLEAR(library, name) \
  if (kRow_##library == id) g_api.name = nullptr;
  TALLOWIN_FF_ALL(TALLOWIN_FF_CLEAR)
#undef TALLOWIN_FF_CLEAR
}

bool IsFFmpegName(const char* name) {
  const char* base = std::strrchr(name, '/');
  base = base ? base + 1 : name;
  for (const char* prefix : {"libav", "libsw", "libpostproc"})
    if (std::strncmp(base, prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

// The shared objects mapped in the process, each with whether it links to an FFmpeg library.
std::map<std::string, bool> MappedObjects() {
  std::map<std::string, bool> objects;
  ::dl_iterate_phdr(
      [](struct dl_phdr_info* info, size_t, void* data) {
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        bool needs_ffmpeg = false;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          if (info->dlpi_phdr[i].p_type != PT_DYNAMIC) continue;
          const auto* dyn =
              reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
          const char* strtab = nullptr;
          for (const ElfW(Dyn)* d = dyn; d->d_tag != DT_NULL; ++d)
            if (d->d_tag == DT_STRTAB) strtab = reinterpret_cast<const char*>(d->d_un.d_ptr);
          for (const ElfW(Dyn)* d = dyn; strtab && d->d_tag != DT_NULL; ++d)
            if (d->d_tag == DT_NEEDED && IsFFmpegName(strtab + d->d_un.d_val)) needs_ffmpeg = true;
        }
        (*static_cast<std::map<std::string, bool>*>(data))[info->dlpi_name] = needs_ffmpeg;
        return 0;
      },
      &objects);
  return objects;
}

// Keeps the companions that opening an FFmpeg library brought in (codec, TLS, colour
// libraries) for the life of the process. Their initialisers allocate once per mapping;
// unmapping them with the FFmpeg libraries would lose that memory at every unload and reload.
// Objects that link to FFmpeg themselves are left alone, so unloading FFmpeg unmaps it.
void PinCompanions(const std::map<std::string, bool>& before) {
  for (const auto& [name, needs_ffmpeg] : MappedObjects()) {
    if (before.count(name) || needs_ffmpeg || IsFFmpegName(name.c_str())) continue;
    ::dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
  }
}

int InterruptThunk(void*) {
  return InterruptRegistry().Check(CurrentThreadId()) ? 1 : 0;
}

}  // namespace

const FFApi& FF() {
  return g_api;
}

TFFLoader& FFLoader() {
  static TFFLoader loader;
  return loader;
}

std::string ExecutableLibraryFolder() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "lib/";
  std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "lib/";
}

TFFLoader::~TFFLoader() {
  // Process end: the table is cleared and the libraries stop calling the log router, but the
  // modules stay mapped. Unmapping them while the process exits would run their finalisers
  // after those of libraries they share state with, and would leave memory that other libraries
  // of the process still own referenced only from unmapped pages.
  std::lock_guard lock(mutex_);
  if (status_[libAVUtil].resolved && g_api.av_log_set_callback && g_api.av_log_default_callback)
    g_api.av_log_set_callback(g_api.av_log_default_callback);
  for (int id = 0; id < kLibraryCount; ++id) {
    Clear(TLibraryId(id));
    status_[id].resolved = false;
  }
}

std::string TFFLoader::DefaultFileName(TLibraryId id) {
  const Row& row = kRows[id];
  if (row.major < 0) return row.soname;
  return std::string(row.soname) + "." + std::to_string(row.major);
}

const char* TFFLoader::BaseName(TLibraryId id) {
  return kRows[id].base_name;
}

int TFFLoader::HeaderMajorVersion(TLibraryId id) {
  return kRows[id].major;
}

void TFFLoader::SetLibraryFolder(const std::string& folder) {
  std::lock_guard lock(mutex_);
  folder_ = folder;
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

std::string TFFLoader::LibraryFolder() const {
  std::lock_guard lock(mutex_);
  return folder_;
}

void TFFLoader::SetLibraryFileName(TLibraryId id, const std::string& file_name) {
  std::lock_guard lock(mutex_);
  status_[id].file_name = file_name;
}

std::string TFFLoader::LastErrMsg() const {
  std::lock_guard lock(mutex_);
  return last_error_;
}

void TFFLoader::SetLogHook(bool on) {
  std::lock_guard lock(mutex_);
  log_hook_ = on;
}

std::string TFFLoader::FileNameLocked(TLibraryId id) const {
  return status_[id].file_name.empty() ? DefaultFileName(id) : status_[id].file_name;
}

std::string TFFLoader::FolderForLocked(TLibraryId id) const {
  std::string folder = DirectoryPart(FileNameLocked(id));
  if (folder.empty() && id != libMSVCRT) folder = folder_;
  return folder;
}

bool TFFLoader::Load(TLibrarySet set) {
  std::lock_guard lock(mutex_);
  set &= kAllLibraries;
  if (!set) {
    last_error_ = "No library to load.";
    return false;
  }
  for (int id = 0; id < kLibraryCount; ++id) {
    if (!(set & LibraryBit(TLibraryId(id)))) continue;
    if (!LoadOneLocked(TLibraryId(id))) {
      for (int other = kLibraryCount - 1; other >= 0; --other)
        if (set & LibraryBit(TLibraryId(other))) UnloadOneLocked(TLibraryId(other));
      return false;
    }
  }
  return true;
}

bool TFFLoader::Loaded(TLibrarySet set) const {
  std::lock_guard lock(mutex_);
  for (int id = 0; id < kLibraryCount; ++id) {
    if (!(set & LibraryBit(TLibraryId(id)))) continue;
    if (!status_[id].handle || !status_[id].resolved) return false;
  }
  return true;
}

bool TFFLoader::LibraryLoaded(TLibraryId id) const {
  if (id < 0 || id >= kLibraryCount) return false;
  std::lock_guard lock(mutex_);
  return status_[id].handle && status_[id].resolved;
}

void TFFLoader::Unload(TLibrarySet set) {
  std::lock_guard lock(mutex_);
  for (int id = kLibraryCount - 1; id >= 0; --id)
    if (set & LibraryBit(TLibraryId(id))) UnloadOneLocked(TLibraryId(id));
}

bool TFFLoader::LoadOneLocked(TLibraryId id) {
  Status& status = status_[id];
  if (!status.handle && !OpenLocked(id)) return false;
  if (status.resolved) return true;
  std::string error;
  status.resolved = Resolve(id, status.handle, FilePart(FileNameLocked(id)), error);
  if (!status.resolved) {
    last_error_ = error;
    UnloadOneLocked(id);
    return false;
  }
  // The services installed into a library as it loads.
  if (id == libAVUtil && log_hook_) FFLogger().Install();
  return true;
}

bool TFFLoader::OpenFileLocked(TLibraryId id, const std::string& folder_file, void** out) {
  ::dlerror();
  const std::map<std::string, bool> before = MappedObjects();
  void* handle = ::dlopen(folder_file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle) PinCompanions(before);
  if (!handle) {
    last_error_ = LoadLibraryError(folder_file, DlError());
    return false;
  }
  if (CheckVersionLocked(id, handle, folder_file)) {
    *out = handle;
    return true;
  }
  ::dlclose(handle);
  return false;
}

bool TFFLoader::OpenLocked(TLibraryId id) {
  Status& status = status_[id];
  const std::string folder = FolderForLocked(id);
  // A library in the folder links to its companions by their bare names; opening those that are
  // in the folder first makes the dynamic linker use them instead of the system's copies.
  if (!folder.empty()) {
    for (TLibraryId dependency : kDependencyOrder) {
      if (!(kRows[id].needs & LibraryBit(dependency))) continue;
      std::string path = folder + FilePart(FileNameLocked(dependency));
      if (!IsRegularFile(path)) continue;
      void* handle = nullptr;
      if (!OpenFileLocked(dependency, path, &handle)) {
        UnloadOneLocked(id);
        return false;
      }
      status.dependencies.push_back(handle);
    }
  }
  const std::string file = FilePart(FileNameLocked(id));
  const bool in_folder = !folder.empty() && IsRegularFile(folder + file);
  void* handle = nullptr;
  if (!OpenFileLocked(id, in_folder ? folder + file : file, &handle)) {
    UnloadOneLocked(id);
    return false;
  }
  status.handle = handle;
  return true;
}

bool TFFLoader::CheckVersionLocked(TLibraryId id, void* handle, const std::string& name) {
  const Row& row = kRows[id];
  if (!row.version_fn) return true;
  ::dlerror();
  void* symbol = ::dlsym(handle, row.version_fn);
  if (!symbol) {
    last_error_ = std::string("Load function ") + row.version_fn + "@" + FilePart(name) +
                  " error: " + DlError();
    return false;
  }
  unsigned version = reinterpret_cast<unsigned (*)()>(symbol)();
  int major = static_cast<int>(version >> 16);
  if (major == row.major) return true;
  char reason[160];
  std::snprintf(reason, sizeof reason,
                "the library is version %u.%u.%u, the program was built for version %d",
                version >> 16, (version >> 8) & 0xff, version & 0xff, row.major);
  last_error_ = LoadLibraryError(name, reason);
  return false;
}

void TFFLoader::UnloadOneLocked(TLibraryId id) {
  Status& status = status_[id];
  if (status.resolved) {
    // The library must not call back into a router that is about to lose its table.
    if (id == libAVUtil && g_api.av_log_set_callback && g_api.av_log_default_callback)
      g_api.av_log_set_callback(g_api.av_log_default_callback);
    Clear(id);
    status.resolved = false;
  }
  if (status.handle) {
    ::dlclose(status.handle);
    status.handle = nullptr;
  }
  for (auto it = status.dependencies.rbegin(); it != status.dependencies.rend(); ++it)
    ::dlclose(*it);
  status.dependencies.clear();
}

// ---- I/O interrupt registry

TInterruptCB& InterruptRegistry() {
  static TInterruptCB registry;
  return registry;
}

void TInterruptCB::Add(ThreadId thread_id, Callback callback, void* owner) {
  std::lock_guard lock(mutex_);
  for (const Entry& e : entries_)
    if (e.thread_id == thread_id && e.callback == callback && e.owner == owner) return;
  entries_.push_back(Entry{thread_id, callback, owner});
}

void TInterruptCB::Remove(ThreadId thread_id, Callback callback, void* owner) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return e.thread_id == thread_id && e.callback == callback && e.owner == owner;
  });
  if (it != entries_.end()) entries_.erase(it);
}

void TInterruptCB::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

bool TInterruptCB::Check(ThreadId thread_id) const {
  Entry found{};
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.thread_id == thread_id; });
    if (it == entries_.end()) return false;
    found = *it;
  }
  // The test runs without the lock: it belongs to this thread and may take its own locks.
  return found.callback && found.callback(found.owner);
}

AVIOInterruptCB TInterruptCB::IOCallback() {
  return AVIOInterruptCB{&InterruptThunk, nullptr};
}

TScopedInterrupt::TScopedInterrupt(TInterruptCB::Callback callback, void* owner)
    : thread_id_(CurrentThreadId()), callback_(callback), owner_(owner) {
  InterruptRegistry().Add(thread_id_, callback_, owner_);
}

TScopedInterrupt::~TScopedInterrupt() {
  InterruptRegistry().Remove(thread_id_, callback_, owner_);
}

}  // namespace tallowin::media
