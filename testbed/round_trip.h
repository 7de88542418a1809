// Round-trip figures of the control channel for benchmarks: Camera::readreg
// against a camera, interleaved with a bare UDP request/answer of the same
// READREG on the same path (one datagram out, one back: the floor under any
// exchange). Figures are medians in microseconds of the answered exchanges;
// zero answered leaves a median at -1. Runs on the caller's thread.
#pragma once

#include <cstdint>

struct RoundTripFigures {
  long long readregMicros = -1;
  long long bareMicros = -1;
  int readregAnswered = 0;
  int bareAnswered = 0;
};

// `ip` in network byte order, `port` in host order.
RoundTripFigures measureReadregRoundTrips(uint32_t ip, uint16_t port, int count);
