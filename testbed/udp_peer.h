// Raw datagram peers for talking to a simulated camera from a test: a UDP
// socket bound inside a test namespace, and a link-level capture of the UDP
// frames on one interface there (sees broadcast answers and answers from
// foreign subnets, which no UDP socket would take). One thread per object.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "net/unique_fd.h"
#include "testbed/process.h"

namespace testbed {

struct Received {
  std::vector<uint8_t> bytes;  // UDP payload
  std::string from;            // source address, dotted
  uint16_t fromPort = 0;
  std::string to;  // destination address (captures only)
};

class UdpPeer {
 public:
  // Bound to `bindIp`:`port` (0: any port) in `ns`, broadcast allowed.
  UdpPeer(const std::string& ns, const std::string& bindIp, uint16_t port = 0);
  bool valid() const { return fd_.valid(); }
  uint16_t port() const { return port_; }
  bool sendTo(const std::string& ip, uint16_t port, std::span<const uint8_t> bytes);
  // The next datagram within `timeout`, or nullopt.
  std::optional<Received> receive(Millis timeout);
  // Every datagram arriving within `window`.
  std::vector<Received> receiveFor(Millis window);

 private:
  net::UniqueFd fd_;
  uint16_t port_ = 0;
};

// Every answer, within `window`, to one discovery broadcast from `bindIp` in
// `ns`: one per camera, also for cameras sharing an address; an adapter hears
// only the cameras on its own link. Empty when the peer could not send.
std::vector<Received> discoveryAnswers(const std::string& ns, const std::string& bindIp,
                                       Millis window);

class FrameCapture {
 public:
  FrameCapture(const std::string& ns, const std::string& ifname);
  bool valid() const { return fd_.valid(); }
  // The next IPv4/UDP frame whose source port is `fromPort`, within `timeout`.
  std::optional<Received> nextFromPort(uint16_t fromPort, Millis timeout);

 private:
  net::UniqueFd fd_;
};

}  // namespace testbed
