// The log router: library messages and the engine's own messages, one line at a time, to OnLog.
//
// FFmpeg calls the router's callback from any thread. The router adds the "[name @ address]"
// prefix of the message's context, assembles the pieces of one line per thread, folds repeated
// lines into "    Last message repeated N times" and hands every complete line to the `OnLog`
// handler of the logger. With `TriggerEventInMainThread` (the default) the handler runs on the
// main thread through MainDispatcher(): a logging worker waits until its line was handled, and
// no lock of the router is held while it waits.
//
// Engine code logs with the free functions:
//
//   FFLog(this, llError, "could not open " + name);
//   FFLogF(this, llDebug, "decode PTS: %0.3f", seconds);
//
// The program creates one TFFLogger (at most one may exist), sets its level and subscribes:
//
//   TFFLogger logger;                  // becomes the global logger
//   logger.SetLogLevel(llError);
//   logger.SetOnLog([](const void* sender, ThreadId thread, TLogLevel level,
//                      const std::string& text) { ... });
#pragma once

#include <cstdarg>
#include <functional>
#include <string>

#include "media/runtime/thread_id.h"

namespace tallowin::media {

// The level scale; the library's level of a step is (ordinal - 1) * 8.
enum TLogLevel : int {
  llQuiet = 0,
  llPanic = 1,
  llFatal = 2,
  llError = 3,
  llWarning = 4,
  llInfo = 5,
  llVerbose = 6,
  llDebug = 7,
};

// (sender, thread id, level, text). The sender is the object the message concerns: the logger
// itself for library lines, a decoder or an engine object, or null.
using TLogEvent = std::function<void(const void* sender, ThreadId thread_id, TLogLevel level,
                                     const std::string& text)>;

// Conversions between the scale and the library's levels.
int LogLevelToLibrary(TLogLevel level);
TLogLevel LibraryToLogLevel(int library_level);
// "quiet" ... "debug" (any case) or a decimal library level; false when the text is neither.
bool ParseLogLevel(const std::string& text, TLogLevel& level);
// The keyword of a level ("error").
const char* LogLevelKeyword(TLogLevel level);

class TFFLogger {
 public:
  // Becomes the global logger. A logger the engine created for itself is replaced; a second
  // logger of the program is refused with std::logic_error("Allow creating only one instance of
  // TFFLogger."). The new logger's level is the library's current level.
  TFFLogger();
  ~TFFLogger();
  TFFLogger(const TFFLogger&) = delete;
  TFFLogger& operator=(const TFFLogger&) = delete;

  TLogLevel LogLevel() const;
  // Also sets the library's level (when the libraries are loaded).
  void SetLogLevel(TLogLevel level);
  // The engine's "loglevel" option: a keyword or a decimal library level. False (nothing
  // changed) for any other text.
  bool SetLogLevelByName(const std::string& text);

  bool TriggerEventInMainThread() const;
  void SetTriggerEventInMainThread(bool value);

  // The handler; an empty function unsubscribes.
  void SetOnLog(TLogEvent handler);

  // The engine's own messages (stamped with the calling thread's id). Delivered when LogLevel
  // >= level; llVerbose messages whenever LogLevel is not llQuiet.
  void Log(const void* sender, TLogLevel level, const std::string& text);
  void LogF(const void* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Registers the router's callback with the library and applies LogLevel. Needs avutil loaded;
  // the loader calls it when avutil loads.
  void Install();

  // Whether this is the logger the engine made for itself (see FFLogger()).
  bool EngineOwned() const { return engine_owned_; }

 private:
  struct EngineTag {};
  friend TFFLogger& FFLogger();
  bool engine_owned_ = false;

 public:
  // The engine's own logger (only FFLogger() can name the tag).
  explicit TFFLogger(EngineTag);
};

// The global logger; creates the engine's own when none exists, so that the engine can always
// log.
TFFLogger& FFLogger();

// The engine's messages through the global logger (safe from any thread, at any time).
void FFLog(const void* sender, TLogLevel level, const std::string& text);
void FFLogF(const void* sender, TLogLevel level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void FFLogV(const void* sender, TLogLevel level, const char* format, va_list args);

// The global logger's level (llInfo until set).
TLogLevel FFLogLevel();
// The engine's "loglevel" option applied to the global logger.
bool FFSetLogLevelByName(const std::string& text);

// The callback the router registers with av_log_set_callback; exposed for tests.
void FFLogCallback(void* context, int library_level, const char* format, va_list args);

// Destroys the engine's own logger (process end).
void FreeEngineLogger();

}  // namespace tallowin::media
