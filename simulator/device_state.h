// The simulated camera's state: identity, MAC, IP settings (current and
// persistent, in register form: host order, first octet most significant),
// control privilege, counters and the fault options. Plain data plus pure
// helpers: the power-up address choice and the persisted-register text that
// survives restarts. Single-threaded: owned by the simulator's event loop.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "simulator/fault_options.h"

namespace sim {

struct IpSettings {
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  bool operator==(const IpSettings&) const = default;
};

struct Identity {
  std::string manufacturer = "Simulated Devices";
  std::string model = "SIM-CAM-1";
  std::string version = "1.0.0";
  std::string info = "camera simulator";
  std::string serial = "SN0001";
};

// Who holds the Control Channel Privilege, and since when it last spoke.
struct Peer {
  uint32_t ip = 0;  // host order
  uint16_t port = 0;
  bool operator==(const Peer&) const = default;
};

// The GVCP configuration register lives here too: it belongs to the
// controlling application and goes back to 0 whenever control ends.
struct Control {
  uint32_t ccp = 0;
  std::optional<Peer> holder;
  uint64_t lastSeenMs = 0;
  uint32_t gvcpConfig = 0;
};

// Registers and behaviours a device may or may not have. The defaults are the
// camera the simulator has always been: serial number and user-defined name,
// no link speed, no primary-application registers, every write answered at once.
struct Features {
  bool serialNumber = true;
  bool userName = true;
  bool primaryApp = false;
  std::optional<uint32_t> linkSpeedMbps;
  // Time a write to a register kept in flash (persistent address, mask and
  // gateway, IP configuration, user-defined name) takes; 0: none.
  uint32_t storeMs = 0;
  bool pendingAckOffered = true;  // with a store time: PENDING_ACK may be enabled
  bool concatenation = true;      // several addresses in one READREG or WRITEREG
  bool offersPendingAck() const { return storeMs > 0 && pendingAckOffered; }
};

// Registers kept across restarts of the camera and of the simulator process;
// the user-defined name is one of them.
struct Persisted {
  uint32_t ipConfig = 0x5;  // persistent IP and LLA enabled
  IpSettings address;
  std::string userName;
  uint32_t rebootCount = 0;
  // The device version of the firmware flashed last; empty: the one the
  // camera was started with.
  std::string firmwareVersion;
  bool operator==(const Persisted&) const = default;
};

inline constexpr uint32_t kSpecVersion2_0 = 0x00020000;
inline constexpr uint32_t kDeviceModeBigEndianTransmitter = 0x80000000;
inline constexpr uint32_t kDefaultHeartbeatTimeoutMs = 3000;
inline constexpr uint32_t kMinHeartbeatTimeoutMs = 500;  // shortest timeout a device accepts

struct DeviceState {
  Identity identity;
  std::array<uint8_t, 6> mac{};
  uint32_t ipConfigSupported = 0x7;
  Features features;
  IpSettings current;
  Persisted persisted;
  uint32_t heartbeatTimeoutMs = kDefaultHeartbeatTimeoutMs;
  Control control;
  // Strict (false): while nobody holds control, only the privilege register
  // may be written. Lenient: anyone may write then.
  bool lenientPrivilege = false;
  // The timestamp counts nanoseconds from timestampZeroMs; a latch copies it
  // into timestampLatchedNs, which the timestamp value registers read.
  uint64_t timestampZeroMs = 0;
  uint64_t timestampLatchedNs = 0;
  std::map<std::string, unsigned> counts;
  std::optional<uint32_t> lastIpConfigWritten;
  FaultOptions faults;
};

// The address a device takes at power-up: the persistent one when enabled and
// set; DHCP (enabled or not) finds no server in the test bed and falls back to
// a link-local address derived from the MAC, in 169.254.1.0-169.254.254.255.
IpSettings powerUpAddress(const DeviceState& state);
// The link-local address derived from the MAC, whatever the configuration.
IpSettings linkLocalAddress(const DeviceState& state);

// The persisted registers as "key value" lines, and back. Unknown keys and
// malformed lines are ignored so an old or damaged file never stops the camera.
std::string persistedToText(const Persisted& persisted);
Persisted persistedFromText(const std::string& text, Persisted defaults);

// Dotted-decimal text of a register-form address.
std::string dotted(uint32_t hostOrder);
// Parses dotted text into register form; nullopt when it is not an address.
std::optional<uint32_t> parseDotted(const std::string& text);

}  // namespace sim
