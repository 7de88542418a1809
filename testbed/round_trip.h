// Round-trip figures of the control channel for benchmarks: Camera::readreg
// against a camera, interleaved with a bare UDP request/answer of the same
// READREG on the same path (one datagram out, one back: the floor under any
// exchange), and the simulator's bare round trip beside a plain echo's.
// Figures are medians (and 90th percentiles) in microseconds of the answered
// exchanges; zero answered leaves them at -1. Runs on the caller's thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct RoundTripFigures {
  long long readregMicros = -1;
  long long bareMicros = -1;
  int readregAnswered = 0;
  int bareAnswered = 0;
};

// `ip` in network byte order, `port` in host order.
RoundTripFigures measureReadregRoundTrips(uint32_t ip, uint16_t port, int count);

// Bare READREG round trips to two peers on the same path, taken in turns so
// both see the same load: the camera at `port` and a plain echo at
// `echoPort`. Medians and 90th percentiles in microseconds; -1 when none was
// answered.
struct EchoComparison {
  long long cameraMedian = -1;
  long long cameraP90 = -1;
  long long echoMedian = -1;
  long long echoP90 = -1;
  int cameraAnswered = 0;
  int echoAnswered = 0;
};

EchoComparison compareWithEcho(uint32_t ip, uint16_t port, uint16_t echoPort, int count);

// The number that follows `label` in a program's printed figures.
std::optional<double> figureAfter(const std::string& text, const std::string& label);
