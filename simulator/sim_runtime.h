// The simulator process: owns the GVCP (3956) and flash (2200) sockets bound to
// its interface, a signal descriptor for SIGTERM/SIGINT/SIGUSR1, and the queue
// of answers still to send. One thread runs `run` until SIGTERM or SIGINT; the
// protocol decisions come from the pure handlers, this class only moves bytes,
// keeps time, changes the interface address and writes the state directory.
// Answers never wait for a file: what requests change is written at most
// 20 ms later. SIGUSR1 with a value (sigqueue) writes both files at
// once and puts the value on the status line "sync", so a reader that signals
// after an answer and waits for its value sees a state that includes it; a
// SIGUSR1 without a value (kill) puts the sender's pid there instead.
// A write kept in flash (--store-ms) makes the camera a busy single-threaded
// device: it handles nothing until the store ends, when its acknowledge goes
// out; what arrives meanwhile waits in arrival order, as in a socket buffer,
// and is handled then. A re-send of the write being stored is dropped, since
// its acknowledge is on the way.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "net/unique_fd.h"
#include "simulator/device_state.h"
#include "simulator/fault_injector.h"
#include "simulator/flash_handler.h"
#include "simulator/gvcp_handler.h"
#include "simulator/sim_options.h"

namespace sim {

class Simulator {
 public:
  explicit Simulator(SimOptions options);
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Sets up interface and sockets, prints "ready", serves until SIGTERM or
  // SIGINT. Returns the process exit status: 0 on a signal, 1 when set-up fails
  // (after printing why on standard error).
  int run();

 private:
  struct Pending {
    uint64_t dueMs;
    int fd;
    sockaddr_in to;
    std::vector<uint8_t> bytes;
  };

  // A datagram that arrived while the camera stored.
  struct Held {
    int fd;
    sockaddr_in from;
    std::vector<uint8_t> bytes;
  };

  bool setUp();
  bool openSocket(net::UniqueFd& fd, uint16_t port);
  void serve();
  int pollTimeoutMs(uint64_t nowMs) const;
  // False once a signal asked the simulator to end.
  bool onSignal();
  void receiveOn(int fd, uint64_t nowMs);
  void handle(int fd, std::span<const uint8_t> datagram, const sockaddr_in& from, uint64_t nowMs);
  void hold(int fd, std::span<const uint8_t> datagram, const sockaddr_in& from);
  void finishStore(uint64_t nowMs);
  void onGvcp(std::span<const uint8_t> request, const sockaddr_in& from, uint64_t nowMs);
  void onFlash(std::span<const uint8_t> request, const sockaddr_in& from, uint64_t nowMs);
  void queue(std::vector<Datagram> datagrams, int fd, const sockaddr_in& to, uint64_t nowMs);
  void sendDue(uint64_t nowMs);
  void tick(uint64_t nowMs);
  void beginRestart(uint64_t nowMs);
  void finishRestart();
  void adoptFirmwareVersion();
  void applyAddress();
  void publish();
  void publishLater(uint64_t nowMs);
  void publishFile(const std::string& name, std::string content, std::string& lastWritten);

  SimOptions options_;
  DeviceState& state_;
  FlashState flash_;
  FaultDice dice_;
  net::UniqueFd gvcpSocket_;
  net::UniqueFd flashSocket_;
  net::UniqueFd signals_;
  std::vector<Pending> pending_;
  bool restarting_ = false;
  uint64_t restartDoneMs_ = 0;
  std::optional<uint64_t> storeEndMs_;  // set while a write to flash runs
  Held storing_{};                      // that write, to know its re-sends
  std::deque<Held> held_;
  std::vector<uint8_t> received_;         // one datagram; reused so a request costs no allocation
  std::optional<uint64_t> publishDueMs_;  // set while changes wait to be written
  int sync_ = 0;                          // the last SIGUSR1 value, shown as "sync"
  // What the state and status files hold now: an unchanged file is not rewritten.
  std::string lastState_;
  std::string lastStatus_;
};

}  // namespace sim
