// SimulatedCamera: one nuv-camsim process in its own namespace on a test-bed
// switch, with its state directory (a fresh temporary one unless the setup
// names one). Construction starts it and waits for its "ready" line; the
// destructor stops it and removes a temporary state directory. Its status
// and persisted files are read back for assertions (keys: see testbed.h); the
// simulator writes them a little after its answers, so the readers first ask
// a running simulator to bring them up to date. The simulator runs at a raised
// priority (as root), as a camera's own processor is not slowed by the host.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testbed/process.h"

namespace testbed {

class Network;

struct CameraSpec {
  std::string mac = "02:00:00:00:00:01";
  std::string ip;  // empty: chosen as at power-up; "0.0.0.0": no address
  std::string mask = "255.255.255.0";
  std::string gateway;
  std::string manufacturer;  // empty: the simulator's default
  std::string model;
  std::string deviceVersion;
  std::string info;
  std::string serial;
  std::string userName;
  std::string supported;  // IP configuration bits, e.g. "7"; empty: default
  std::string current;    // initial IP configuration bits; empty: default
  std::string persistentIp;
  std::string persistentMask;
  std::vector<std::string> extraArgs;  // timings and fault options
  std::string stateDir;                // empty: a fresh temporary directory
};

class SimulatedCamera {
 public:
  SimulatedCamera(Network& net, const std::string& sw, const std::string& role, CameraSpec setup);
  ~SimulatedCamera();
  SimulatedCamera(const SimulatedCamera&) = delete;
  SimulatedCamera& operator=(const SimulatedCamera&) = delete;

  bool ready() const { return ready_; }
  // Starts the simulator again (same options, same state directory) after
  // stop(); true once it printed "ready".
  bool start();
  // SIGTERM and wait; returns the exit status (0 on a clean stop).
  int stop();

  Process& process() { return *process_; }
  const std::string& ns() const { return ns_; }
  const std::string& stateDir() const { return stateDir_; }
  std::vector<std::string> arguments() const;

  // The status and persisted values, including every answer the camera sent
  // before the call (see sync()).
  std::map<std::string, std::string> status() const;
  std::string status(const std::string& key) const;  // "" when absent
  std::string persisted(const std::string& key) const;
  std::optional<std::string> flashImage() const;
  // Waits (on file events) until the status file says `key value`.
  bool waitForStatus(const std::string& key, const std::string& value, Millis timeout) const;
  // Asks the running simulator to write its files now, tagged with a fresh
  // value, and waits until the status file carries it. False when no ready
  // simulator runs or it did not write in time; the files then stay as they are.
  bool sync() const;

 private:
  std::map<std::string, std::string> statusFile() const;

  CameraSpec setup_;
  std::string ns_;
  std::string stateDir_;
  bool ownsStateDir_ = false;
  bool ready_ = false;
  std::unique_ptr<Process> process_;
};

// "key value" lines into a map (the simulator's status and state files).
std::map<std::string, std::string> parseKeyValues(const std::string& text);

}  // namespace testbed
