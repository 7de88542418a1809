// The simulator's command line: identity, addresses, timings, state directory
// and fault options. Parsing is pure and never exits: it returns the options
// or one error line (main prints it and exits 2). `usageText` is the --help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/device_state.h"

namespace sim {

inline constexpr uint32_t kDefaultRestartMs = 1000;
inline constexpr uint32_t kDefaultFlashMs = 1000;

struct SimOptions {
  std::string interface;
  std::string stateDir;
  bool macGiven = false;
  std::optional<IpSettings> address;  // none: choose one as at power-up
  DeviceState device;                 // identity, capabilities, persisted defaults, faults
  uint32_t restartMs = kDefaultRestartMs;
  uint32_t flashMs = kDefaultFlashMs;
  // The device version a completed flash brings after the next restart;
  // empty: flashing leaves the version as it is.
  std::string flashedVersion;
  bool pauseFrame = false;  // applied to `device` once every option is read
  bool trace = false;       // each GVCP exchange on standard error
  bool help = false;
  bool version = false;
};

struct ParseResult {
  std::optional<SimOptions> options;
  std::string error;
};

ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace sim
