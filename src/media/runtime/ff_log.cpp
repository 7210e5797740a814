#include "media/runtime/ff_log.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/ascii_text.h"
#include "common/dispatcher.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {
namespace {

constexpr const char* kKeywords[] = {"quiet",   "panic", "fatal",   "error",
                                     "warning", "info",  "verbose", "debug"};
constexpr int kInitialLibraryLevel = 32;
// Classes older than this (avutil 50.15.2) had no parent context offset.
constexpr int kParentContextVersion = 3280642;

struct Line {
  ThreadId thread_id;
  TLogLevel level;
  std::string text;
};

// What a delivery needs, copied under the lock so that nothing of the logger is touched later.
struct Route {
  std::shared_ptr<const TLogEvent> handler;
  bool main_thread = true;
  std::uint64_t generation = 0;
  const void* logger = nullptr;
};

// The process-wide state of the router; one lock guards all of it.
struct RouterState {
  std::mutex mutex;
  TFFLogger* current = nullptr;
  std::unique_ptr<TFFLogger> engine_logger;
  std::uint64_t generation = 0;  // changes whenever the logger or its handler changes
  TLogLevel level = llInfo;
  bool main_thread = true;
  std::shared_ptr<const TLogEvent> handler;
  int library_level = kInitialLibraryLevel;
  std::string last_message;
  int repeat_count = 0;
  std::unordered_map<ThreadId, std::string> pending;  // unfinished line per thread
};

// Plain flag, never destroyed: tells callbacks arriving during process exit to stay away.
std::atomic<bool> g_state_alive{false};

struct StateHolder {
  RouterState state;
  StateHolder() { g_state_alive.store(true); }
  ~StateHolder() { g_state_alive.store(false); }
};

RouterState& State() {
  static StateHolder holder;
  return holder.state;
}

Route RouteLocked(const RouterState& s) {
  return Route{s.handler, s.main_thread, s.generation, s.current};
}

// Runs the handler for each line, unless the logger or its handler changed meanwhile.
void RunHandler(const Route& route, const void* sender, const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    {
      RouterState& s = State();
      std::lock_guard lock(s.mutex);
      if (s.generation != route.generation) return;
    }
    try {
      (*route.handler)(sender, line.thread_id, line.level, line.text);
    } catch (...) {
      // A failing handler must not break the thread that logged.
    }
  }
}

// Hands the lines to OnLog: inline on the main thread (or without the main-thread option),
// otherwise through the dispatcher, waiting until they were handled. Called without the lock.
void Deliver(const Route& route, const void* sender, std::vector<Line> lines) {
  if (!route.handler || !*route.handler || lines.empty()) return;
  Dispatcher* dispatcher = nullptr;
  if (route.main_thread) {
    try {
      dispatcher = &MainDispatcher();
    } catch (const std::exception&) {
      dispatcher = nullptr;  // no main thread to hand over to (a tool without one)
    }
  }
  if (!dispatcher || dispatcher->IsMainThread()) {
    RunHandler(route, sender, lines);
    return;
  }
  try {
    dispatcher->Send([&route, sender, &lines] { RunHandler(route, sender, lines); });
  } catch (...) {
    // The main thread has ended; the lines are dropped.
  }
}

std::string ContextPrefix(void* context) {
  if (!context) return std::string();
  const AVClass* cls = *static_cast<const AVClass* const*>(context);
  if (!cls) return std::string();
  std::string prefix;
  if (cls->version > kParentContextVersion && cls->parent_log_context_offset) {
    void* parent =
        *reinterpret_cast<void**>(static_cast<char*>(context) + cls->parent_log_context_offset);
    const AVClass* parent_class = parent ? *static_cast<const AVClass* const*>(parent) : nullptr;
    if (parent_class) {
      const char* name =
          parent_class->item_name ? parent_class->item_name(parent) : parent_class->class_name;
      prefix = FormatText("[%s @ %p] ", name ? name : "", parent);
    }
  }
  const char* name = cls->item_name ? cls->item_name(context) : cls->class_name;
  prefix += FormatText("[%s @ %p]", name ? name : "", context);
  return prefix;
}

void SetLibraryLevelLocked(RouterState& s, TLogLevel level) {
  if (!FF().av_log_set_level) return;
  s.library_level = LogLevelToLibrary(level);
  FF().av_log_set_level(s.library_level);
}

}  // namespace

int LogLevelToLibrary(TLogLevel level) {
  return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LibraryToLogLevel(int library_level) {
  int ordinal = library_level / 8 + 1;  // C++ division truncates toward zero
  return static_cast<TLogLevel>(std::clamp(ordinal, 0, 7));
}

const char* LogLevelKeyword(TLogLevel level) {
  return kKeywords[std::clamp(static_cast<int>(level), 0, 7)];
}

bool ParseLogLevel(const std::string& text, TLogLevel& level) {
  const std::string lower = LowerAscii(text);
  for (int i = 0; i < 8; ++i) {
    if (lower == kKeywords[i]) {
      level = static_cast<TLogLevel>(i);
      return true;
    }
  }
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
  if (pos == text.size() || text.size() - pos > 9) return false;
  for (size_t i = pos; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  level = LibraryToLogLevel(std::stoi(text));
  return true;
}

TFFLogger::TFFLogger() {
  RouterState& s = State();
  std::unique_ptr<TFFLogger> replaced;
  std::lock_guard lock(s.mutex);
  if (s.current && !s.current->engine_owned_)
    throw std::logic_error("Allow creating only one instance of TFFLogger.");
  // The engine's own logger is destroyed below, after the lock is released; its destructor
  // sees that it is no longer the global logger.
  replaced = std::move(s.engine_logger);
  s.current = this;
  s.level = LibraryToLogLevel(s.library_level);
  s.main_thread = true;
  s.handler.reset();
  ++s.generation;
}

TFFLogger::TFFLogger(EngineTag) : engine_owned_(true) {}

TFFLogger::~TFFLogger() {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.current != this) return;
  s.current = nullptr;
  s.handler.reset();
  ++s.generation;
}

TLogLevel TFFLogger::LogLevel() const {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  return s.level;
}

void TFFLogger::SetLogLevel(TLogLevel level) {
  level = static_cast<TLogLevel>(std::clamp(static_cast<int>(level), 0, 7));
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.current != this) return;
  s.level = level;
  SetLibraryLevelLocked(s, level);
}

bool TFFLogger::SetLogLevelByName(const std::string& text) {
  TLogLevel level;
  if (!ParseLogLevel(text, level)) return false;
  SetLogLevel(level);
  return true;
}

bool TFFLogger::TriggerEventInMainThread() const {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  return s.main_thread;
}

void TFFLogger::SetTriggerEventInMainThread(bool value) {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.current != this) return;
  s.main_thread = value;
  ++s.generation;
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.current != this) return;
  if (handler)
    s.handler = std::make_shared<const TLogEvent>(std::move(handler));
  else
    s.handler.reset();
  ++s.generation;
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& text) {
  Route route;
  {
    RouterState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.current != this) return;
    bool wanted = level == llVerbose ? s.level != llQuiet : s.level >= level;
    if (!wanted) return;
    route = RouteLocked(s);
  }
  Deliver(route, sender, {Line{CurrentThreadId(), level, text}});
}

void TFFLogger::LogF(const void* sender, TLogLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatText(format, args);
  va_end(args);
  Log(sender, level, text);
}

void TFFLogger::Install() {
  if (!FF().av_log_set_callback || !FF().av_log_set_level) return;
  FF().av_log_set_callback(&FFLogCallback);
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  SetLibraryLevelLocked(s, s.level);
}

TFFLogger& FFLogger() {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.current) {
    s.engine_logger = std::make_unique<TFFLogger>(TFFLogger::EngineTag{});
    s.current = s.engine_logger.get();
    s.level = LibraryToLogLevel(s.library_level);
    s.main_thread = true;
    s.handler.reset();
    ++s.generation;
  }
  return *s.current;
}

void FreeEngineLogger() {
  RouterState& s = State();
  std::unique_ptr<TFFLogger> engine;
  {
    std::lock_guard lock(s.mutex);
    if (!s.engine_logger) return;
    engine = std::move(s.engine_logger);
    if (s.current == engine.get()) {
      s.current = nullptr;
      s.handler.reset();
      ++s.generation;
    }
  }
}

void FFLog(const void* sender, TLogLevel level, const std::string& text) {
  FFLogger().Log(sender, level, text);
}

void FFLogV(const void* sender, TLogLevel level, const char* format, va_list args) {
  FFLog(sender, level, VFormatText(format, args));
}

void FFLogF(const void* sender, TLogLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatText(format, args);
  va_end(args);
  FFLog(sender, level, text);
}

TLogLevel FFLogLevel() {
  RouterState& s = State();
  std::lock_guard lock(s.mutex);
  return s.level;
}

bool FFSetLogLevelByName(const std::string& text) {
  return FFLogger().SetLogLevelByName(text);
}

void FFLogCallback(void* context, int library_level, const char* format, va_list args) {
  if (!g_state_alive.load()) return;
  // The library may add colour flags above the level's low byte.
  int level = library_level >= 0 ? (library_level & 0xff) : library_level;
  RouterState& s = State();
  {
    std::lock_guard lock(s.mutex);
    if (level > s.library_level) return;
  }
  // Formatting and the context's name run outside the lock: they may call into the library.
  std::string prefix = ContextPrefix(context);
  std::string text = VFormatText(format, args);
  ThreadId thread_id = CurrentThreadId();
  TLogLevel log_level = LibraryToLogLevel(level);

  std::vector<Line> lines;
  Route route;
  {
    std::lock_guard lock(s.mutex);
    std::string& pending = s.pending[thread_id];
    bool continues = !pending.empty();
    std::string contribution;
    if (continues) {
      pending += text;
      contribution = text;
    } else {
      pending = prefix + text;
      contribution = pending;
    }
    // A complete line identical to the last one is only counted. (A piece that completes an
    // earlier partial line is never folded: its line is not a repeat.)
    if (!continues && !contribution.empty() && contribution.back() == '\n' &&
        contribution == s.last_message) {
      ++s.repeat_count;
      s.pending.erase(thread_id);
      return;
    }
    if (s.repeat_count > 0) {
      lines.push_back(Line{thread_id, log_level,
                           FormatText("    Last message repeated %d times", s.repeat_count)});
      s.repeat_count = 0;
    }
    s.last_message = contribution;
    size_t start = 0;
    for (size_t lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n', start)) {
      lines.push_back(Line{thread_id, log_level, pending.substr(start, lf - start)});
      start = lf + 1;
    }
    pending.erase(0, start);
    if (pending.empty()) s.pending.erase(thread_id);
    route = RouteLocked(s);
  }
  Deliver(route, route.logger, std::move(lines));
}

}  // namespace tallowin::media
