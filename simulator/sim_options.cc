#include "simulator/sim_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "gvcp/registers.h"

namespace sim {
namespace {

using Setter = std::function<bool(SimOptions&, const std::string&)>;

struct OptionSpec {
  bool takesValue;
  const char* valueName;
  const char* help;
  Setter set;
};

std::optional<uint64_t> parseUnsigned(const std::string& text, uint64_t max) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value > max) return std::nullopt;
  return value;
}

bool setU32(uint32_t& out, const std::string& text) {
  const auto value = parseUnsigned(text, 0xFFFFFFFFu);
  if (value) out = static_cast<uint32_t>(*value);
  return value.has_value();
}

bool setFraction(double& out, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value >= 0.0 && value <= 1.0)) return false;
  out = value;
  return true;
}

bool setAddress(uint32_t& out, const std::string& text) {
  const auto value = parseDotted(text);
  if (value) out = *value;
  return value.has_value();
}

bool setMac(SimOptions& o, const std::string& text) {
  unsigned b[6];
  char extra = 0;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4],
                  &b[5], &extra) != 6) {
    return false;
  }
  for (int i = 0; i < 6; ++i) o.device.mac[i] = static_cast<uint8_t>(b[i]);
  o.macGiven = true;
  return true;
}

Setter text(std::string Identity::*field, size_t width) {
  return [field, width](SimOptions& o, const std::string& v) {
    if (v.size() > width) return false;
    o.device.identity.*field = v;
    return true;
  };
}

// Kept in the state file as one word, so no spaces and no control bytes.
bool setFlashedVersion(SimOptions& o, const std::string& v) {
  if (v.empty() || v.size() > 32) return false;
  for (const char c : v) {
    if (c <= ' ' || c > '~') return false;
  }
  o.flashedVersion = v;
  return true;
}

bool setRegisterStatus(SimOptions& o, const std::string& v) {
  const size_t eq = v.find('=');
  if (eq == std::string::npos) return false;
  const auto address = parseUnsigned(v.substr(0, eq), 0xFFFFFFFFu);
  const auto status = parseUnsigned(v.substr(eq + 1), 0xFFFF);
  if (!address || !status) return false;
  o.device.faults.registerStatus[static_cast<uint32_t>(*address)] = static_cast<uint16_t>(*status);
  return true;
}

bool setHostile(SimOptions& o, const std::string& v) {
  static const std::map<std::string, HostileDiscovery> kModes = {
      {"no-nul", HostileDiscovery::kNoNul},
      {"escapes", HostileDiscovery::kEscapes},
      {"truncated", HostileDiscovery::kTruncated}};
  const auto found = kModes.find(v);
  if (found == kModes.end()) return false;
  o.device.faults.hostileDiscovery = found->second;
  return true;
}

IpSettings& address(SimOptions& o) {
  if (!o.address) o.address = IpSettings{};
  return *o.address;
}

Setter flag(bool FaultOptions::*field) {
  return [field](SimOptions& o, const std::string&) { return o.device.faults.*field = true; };
}

// Sets a feature flag of the camera to `value`.
Setter feature(bool Features::*field, bool value) {
  return [field, value](SimOptions& o, const std::string&) {
    o.device.features.*field = value;
    return true;
  };
}

// PENDING_ACK carries the time left in 16 bits of milliseconds.
bool setStoreMs(SimOptions& o, const std::string& v) {
  const auto ms = parseUnsigned(v, 0xFFFF);
  if (!ms || *ms == 0) return false;
  o.device.features.storeMs = static_cast<uint32_t>(*ms);
  return true;
}

bool setLinkSpeed(SimOptions& o, const std::string& v) {
  const auto mbps = parseUnsigned(v, 0xFFFFFFFFu);
  if (mbps) o.device.features.linkSpeedMbps = static_cast<uint32_t>(*mbps);
  return mbps.has_value();
}

// Both registers carry the pause bits beside the modes; a stored state file
// still decides the current value.
void applyPauseFrame(DeviceState& device) {
  constexpr uint32_t kPauseBits =
      gvcp::Registers::kIpConfigPauseReception | gvcp::Registers::kIpConfigPauseGeneration;
  device.ipConfigSupported |= kPauseBits;
  device.persisted.ipConfig |= kPauseBits;
}

const std::map<std::string, OptionSpec>& optionTable() {
  static const std::map<std::string, OptionSpec> table = {
      {"--interface",
       {true, "NAME", "network interface the camera owns (required)",
        [](SimOptions& o, const std::string& v) {
          o.interface = v;
          return !v.empty() && v.size() < 16;
        }}},
      {"--state-dir",
       {true, "DIR", "directory for persisted registers, status file and flash image (required)",
        [](SimOptions& o, const std::string& v) {
          o.stateDir = v;
          return !v.empty();
        }}},
      {"--mac", {true, "XX:XX:XX:XX:XX:XX", "camera MAC (default: the interface's)", setMac}},
      {"--ip",
       {true, "A.B.C.D",
        "current address at start, 0.0.0.0 for none (default: chosen as at power-up)",
        [](SimOptions& o, const std::string& v) { return setAddress(address(o).ip, v); }}},
      {"--mask",
       {true, "A.B.C.D", "current subnet mask at start",
        [](SimOptions& o, const std::string& v) { return setAddress(address(o).mask, v); }}},
      {"--gateway",
       {true, "A.B.C.D", "current gateway at start",
        [](SimOptions& o, const std::string& v) { return setAddress(address(o).gateway, v); }}},
      {"--supported",
       {true, "BITS", "supported IP configurations: 1 persistent, 2 DHCP, 4 LLA (default 7)",
        [](SimOptions& o, const std::string& v) { return setU32(o.device.ipConfigSupported, v); }}},
      {"--current",
       {true, "BITS", "IP configuration when no state is stored yet (default 5)",
        [](SimOptions& o, const std::string& v) {
          return setU32(o.device.persisted.ipConfig, v);
        }}},
      {"--persistent-ip",
       {true, "A.B.C.D", "persistent address when no state is stored yet",
        [](SimOptions& o, const std::string& v) {
          return setAddress(o.device.persisted.address.ip, v);
        }}},
      {"--persistent-mask",
       {true, "A.B.C.D", "persistent mask when no state is stored yet",
        [](SimOptions& o, const std::string& v) {
          return setAddress(o.device.persisted.address.mask, v);
        }}},
      {"--manufacturer",
       {true, "TEXT", "manufacturer name, at most 32 bytes", text(&Identity::manufacturer, 32)}},
      {"--model", {true, "TEXT", "model name, at most 32 bytes", text(&Identity::model, 32)}},
      {"--device-version",
       {true, "TEXT", "device version, at most 32 bytes", text(&Identity::version, 32)}},
      {"--info", {true, "TEXT", "manufacturer info, at most 48 bytes", text(&Identity::info, 48)}},
      {"--serial", {true, "TEXT", "serial number, at most 16 bytes", text(&Identity::serial, 16)}},
      {"--user-name",
       {true, "TEXT", "user-defined name when no state is stored yet, at most 16 bytes",
        [](SimOptions& o, const std::string& v) {
          o.device.persisted.userName = v;
          return v.size() <= 16;
        }}},
      {"--restart-ms",
       {true, "MS", "silence after a restart request (default 1000)",
        [](SimOptions& o, const std::string& v) { return setU32(o.restartMs, v); }}},
      {"--flash-ms",
       {true, "MS", "time flashing takes after the start command (default 1000)",
        [](SimOptions& o, const std::string& v) { return setU32(o.flashMs, v); }}},
      {"--flashed-version",
       {true, "TEXT",
        "device version after the restart that follows a completed flash, at most 32 printable "
        "bytes without spaces (default: unchanged)",
        setFlashedVersion}},
      {"--seed",
       {true, "N", "seed of every random fault choice (default 1)",
        [](SimOptions& o, const std::string& v) {
          const auto n = parseUnsigned(v, UINT64_MAX);
          if (n) o.device.faults.seed = *n;
          return n.has_value();
        }}},
      {"--drop-requests",
       {true, "FRACTION", "drop this fraction of requests unseen",
        [](SimOptions& o, const std::string& v) {
          return setFraction(o.device.faults.dropRequests, v);
        }}},
      {"--drop-answers",
       {true, "FRACTION", "handle but do not answer this fraction of requests",
        [](SimOptions& o, const std::string& v) {
          return setFraction(o.device.faults.dropAnswers, v);
        }}},
      {"--duplicate-answers",
       {true, "FRACTION", "send this fraction of answers twice",
        [](SimOptions& o, const std::string& v) {
          return setFraction(o.device.faults.duplicateAnswers, v);
        }}},
      {"--delay-ms",
       {true, "MS", "delay every answer by this long",
        [](SimOptions& o, const std::string& v) { return setU32(o.device.faults.delayMs, v); }}},
      {"--stale-ack-first",
       {false, "", "send a copy with the previous ack_id before each GVCP answer",
        flag(&FaultOptions::staleAckFirst)}},
      {"--wrong-ack-code",
       {false, "", "answer GVCP with a wrong acknowledge code", flag(&FaultOptions::wrongAckCode)}},
      {"--wrong-length",
       {false, "", "answer GVCP with 4 bytes more than the length field says",
        flag(&FaultOptions::wrongLength)}},
      {"--register-status",
       {true, "ADDR=STATUS", "answer reads and writes of ADDR with STATUS (repeatable)",
        setRegisterStatus}},
      {"--foreign-control",
       {false, "", "refuse every register access as if another host held exclusive control",
        flag(&FaultOptions::foreignControl)}},
      {"--ignore-forceip",
       {false, "", "ignore FORCEIP even when the MAC matches", flag(&FaultOptions::ignoreForceIp)}},
      {"--hostile-discovery",
       {true, "MODE", "discovery answer with no-nul text fields, escapes in text, or truncated",
        setHostile}},
      {"--never-finish-flash",
       {false, "", "never report flashing complete", flag(&FaultOptions::neverFinishFlash)}},
      {"--never-return",
       {false, "", "stay silent for good after a restart request",
        flag(&FaultOptions::neverReturn)}},
      {"--unanswered-release",
       {false, "", "give control back on request without answering the write",
        flag(&FaultOptions::unansweredRelease)}},
      {"--supported-config-only",
       {false, "", "keep only the supported bits of a write to the IP configuration register",
        flag(&FaultOptions::supportedConfigOnly)}},
      {"--link-local-after-restart",
       {false, "", "come back link-local after a restart whatever the IP configuration",
        flag(&FaultOptions::linkLocalAfterRestart)}},
      {"--store-ms",
       {true, "MS",
        "writes kept in flash (persistent address, mask, gateway, IP configuration, user-defined "
        "name) are acknowledged MS (1-65535) later, other requests waiting; offers PENDING_ACK",
        setStoreMs}},
      {"--no-pending-ack",
       {false, "", "with --store-ms, do not offer PENDING_ACK: just answer late",
        feature(&Features::pendingAckOffered, false)}},
      {"--no-concatenation",
       {false, "",
        "does not offer several addresses in one READREG or WRITEREG (capability bit 0x1); "
        "refuses such a request with INVALID_PARAMETER",
        feature(&Features::concatenation, false)}},
      {"--no-serial",
       {false, "", "no serial number register (0x00D8)", feature(&Features::serialNumber, false)}},
      {"--no-user-name",
       {false, "", "no user-defined name register (0x00E8)", feature(&Features::userName, false)}},
      {"--pause-frame",
       {false, "",
        "IP configuration registers carry the pause-frame bits 0x80000000 and 0x40000000 "
        "(set when no state is stored yet)",
        [](SimOptions& o, const std::string&) { return o.pauseFrame = true; }}},
      {"--primary-app-registers",
       {false, "", "offer registers 0x0A04 and 0x0A14: port and address of who holds control",
        feature(&Features::primaryApp, true)}},
      {"--link-speed",
       {true, "MBPS", "offer the link speed register 0x0670 with this value", setLinkSpeed}},
      {"--lenient-privilege",
       {false, "", "accept any write while nobody holds control (default: only taking control)",
        [](SimOptions& o, const std::string&) { return o.device.lenientPrivilege = true; }}},
      {"--trace",
       {false, "", "print each GVCP request and its answer on standard error",
        [](SimOptions& o, const std::string&) { return o.trace = true; }}},
      {"--help",
       {false, "", "show this text",
        [](SimOptions& o, const std::string&) { return o.help = true; }}},
      {"--version",
       {false, "", "print the version and exit",
        [](SimOptions& o, const std::string&) { return o.version = true; }}},
  };
  return table;
}

std::string applyOne(SimOptions& o, const std::vector<std::string>& args, size_t& i) {
  const auto found = optionTable().find(args[i]);
  if (found == optionTable().end()) return "unknown option " + args[i];
  const OptionSpec& setup = found->second;
  std::string value;
  if (setup.takesValue) {
    if (i + 1 >= args.size()) return args[i] + " needs a value (" + setup.valueName + ")";
    value = args[++i];
  }
  if (!setup.set(o, value))
    return "invalid value for " + args[i - (setup.takesValue ? 1 : 0)] + ": " + value;
  return "";
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
  SimOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string error = applyOne(options, args, i);
    if (!error.empty()) return {std::nullopt, error};
  }
  if (options.help || options.version) return {options, ""};
  if (options.interface.empty()) return {std::nullopt, "--interface is required"};
  if (options.stateDir.empty()) return {std::nullopt, "--state-dir is required"};
  if (options.address && options.address->ip != 0 && options.address->mask == 0) {
    return {std::nullopt, "--mask is required with --ip"};
  }
  const Features& features = options.device.features;
  if (!features.pendingAckOffered && features.storeMs == 0) {
    return {std::nullopt, "--no-pending-ack needs --store-ms"};
  }
  if (options.pauseFrame) applyPauseFrame(options.device);
  return {options, ""};
}

std::string usageText() {
  std::string text =
      "Usage: nuv-camsim --interface NAME --state-dir DIR [options]\n"
      "Acts as one GigE Vision camera on NAME: GVCP on UDP 3956, flash update on UDP 2200.\n"
      "Prints \"ready\" once it listens; stops on SIGTERM or SIGINT.\n\n";
  for (const auto& [name, setup] : optionTable()) {
    std::string left = "  " + name + (setup.takesValue ? std::string(" ") + setup.valueName : "");
    left.resize(std::max<size_t>(left.size() + 1, 36), ' ');
    text += left + setup.help + "\n";
  }
  return text;
}

}  // namespace sim
