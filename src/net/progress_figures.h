// The progress figures of OnProgress, computed from the transfer's counters.
#pragma once

#include <cstdint>

#include "net/win_http_types.h"

namespace tallowin::net {

// Milliseconds of a steady clock, wrapping at 2^32 like the system's tick count.
std::uint32_t TickCount();

// `now` and `start` are TickCount values; the elapsed time is taken in unsigned 32-bit
// arithmetic, so a wrap of the counter between them is harmless.
TWinHTTPProgress ComputeProgress(std::int64_t received, std::int64_t start_offset,
                                 std::int64_t content_length, std::uint32_t start_tick,
                                 std::uint32_t now_tick);

}  // namespace tallowin::net
