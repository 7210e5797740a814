// The state of one transfer of TCustomWinHTTP. Every transfer gets a fresh one, so that a run
// abandoned by a kill can never touch the state of the transfer that follows it.
//
// Threads: the worker writes the transfer fields while its job runs; the main thread reads them
// only inside marshalled calls (the worker waits meanwhile) and in the completion step (after the
// job has returned). The output file is guarded by `file_guard`: once the transfer is abandoned,
// the worker neither opens nor writes it any more.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/streams.h"
#include "net/win_http_types.h"

namespace tallowin::net::detail {

// The component's settings, copied when the transfer starts.
struct TransferSettings {
  std::string url;
  std::string accept_types;
  std::string agent;
  std::vector<std::string> add_headers;
  std::string referer;
  std::string post_data;
  TWinHTTPRequestMethod request_method = TWinHTTPRequestMethod::rmAutoDetect;
  std::string username;
  std::string password;
  TWinHTTPProxy proxy;
  TWinHTTPRange range;
  TWinHTTPTimeouts timeouts;
  TCacheOptions cache_options;
  TInternetOptions internet_options;
  std::string output_file_name;
  TWinHTTPOutputFileAttributes attributes;
  std::uint32_t buffer_size = 4096;
  std::int64_t max_memory_body = 0;
  std::int64_t max_error_body = 0;
  bool work_offline = false;
  // Which main-thread events are set (decides whether the worker raises them).
  bool has_header_info = false;
  bool has_progress = false;
  bool has_password_request = false;
  bool has_proxy_authentication = false;
  // Events raised on the worker thread.
  TWinHTTPBeforeSendRequestEvent on_before_send_request;
  TWinHTTPRedirectedEvent on_redirected;
  TWinHTTPStatusEvent on_status;
};

struct Transfer {
  TransferSettings settings;

  int status_code = -1;
  std::int64_t content_length = 0;
  // Written by the worker only; the main thread may read it at any time (the bytes so far).
  std::atomic<std::int64_t> received{0};
  std::int64_t start_offset = 0;
  std::int64_t end_offset = 0;
  std::uint32_t start_tick = 0;
  std::string content_type;
  bool succeeded = false;
  bool continue_download = true;
  bool file_written = false;      // the output file was opened by this transfer
  bool file_created = false;      // ... and created or emptied by it (not a resumed file)
  bool output_error = false;      // the output could not be created or written
  bool already_complete = false;  // a resumed file that the server says is complete
  std::unique_ptr<TStream> output;
  TWinHTTPFileStream* output_file = nullptr;  // `output` when it is the file

  // Set by the worker when it ran the abort release at a checkpoint.
  bool aborted = false;
  // Main thread only: the completion step has begun (an abort no longer applies).
  bool completion_started = false;
  std::atomic<bool> delete_on_abort{false};

  // Marks the transfer abandoned; returns whether the output file had been opened.
  bool Abandon() {
    std::lock_guard lock(file_guard);
    abandoned = true;
    return file_written;
  }
  bool Abandoned() {
    std::lock_guard lock(file_guard);
    return abandoned;
  }

  std::mutex file_guard;
  bool abandoned = false;  // guarded by file_guard
};

}  // namespace tallowin::net::detail
