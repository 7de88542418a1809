// Writes one firmware image file into a camera's flash with the flash protocol:
// announcement, 512-byte blocks in stop-and-wait, start of flashing, then a
// completion poll bounded in time; the progress trace goes to `out` (none when
// it is null), and hooks let a caller follow the run and stop it before the
// camera is told to flash. Runs on the caller's thread with one socket of its
// own, closed on every return; the hooks run on that thread too.
// 0 means the camera reported the end of flashing; every failure is negative.
#pragma once

#include <netinet/in.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fwupdate/flash_protocol.h"

inline constexpr int kEpcsPollWaitUs = 1000000;  // one try per poll
// A camera writes a few megabytes of flash in well under a minute; three
// minutes without the end of flashing means it never will.
inline constexpr std::chrono::seconds kFlashCompletionBound{180};

inline constexpr int kProgramUnreadableImage = -10;
inline constexpr int kProgramAnnounceFailed = -1;
inline constexpr int kProgramBlockFailed = -2;
inline constexpr int kProgramStartFailed = -3;
inline constexpr int kProgramNotCompleted = -4;     // poll bound spent, or the socket failed
inline constexpr int kProgramStopped = -5;          // `stop` said so before flashing began
inline constexpr int kProgramInterfaceFailed = -6;  // not tied to the named interface; none sent

// Each hook is optional.
struct FlashHooks {
  // Asked before each block and before flashing is started: true ends the run
  // there with kProgramStopped, and the camera keeps its firmware.
  std::function<bool()> stop;
  // After each acknowledged block: image bytes sent so far, and the image size.
  std::function<void(uint64_t sent, uint64_t total)> blockSent;
  // Just before the camera is told to flash; from here on the run cannot be
  // stopped without leaving the flash half written.
  std::function<void()> flashingStarts;
  // After each completion poll that did not report the end.
  std::function<void()> polled;
};

struct FlashProgramOptions {
  std::chrono::milliseconds completionBound = kFlashCompletionBound;
  FILE* out = stdout;
  // The interface the datagrams leave through (the adapter the camera answered
  // on), whatever the route to its address; empty: as the routing table says.
  std::string interfaceName = {};
};

// The 8-byte announcement: the tag word, then the image size.
std::array<uint8_t, gvcp::kEpcsAnnouncePayloadSize> announcePayload(uint32_t imageSize);
// The 520-byte payload of the block at `offset`: offset, count, then the data
// area with the count image bytes and zeros after them.
std::array<uint8_t, gvcp::kEpcsBlockPayloadSize> blockPayload(std::span<const uint8_t> image,
                                                              size_t offset);
// The whole file; empty when it cannot be opened, sized or read in full, or
// when it is larger than a signed 32-bit byte count.
std::optional<std::vector<uint8_t>> readFirmwareImage(const char* path);

// Programs `path` into the camera at `camera` (address and port filled in).
int programFlash(const sockaddr_in& camera, const char* path,
                 const FlashProgramOptions& options = {}, const FlashHooks& hooks = {});
// The same with the image already read.
int programFlash(const sockaddr_in& camera, std::span<const uint8_t> image,
                 const FlashProgramOptions& options = {}, const FlashHooks& hooks = {});

// `ip` in network byte order; the camera's flash port 2200; trace on stdout.
int epcs_program(unsigned int ip, char* path);
