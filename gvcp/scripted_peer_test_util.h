// Test and benchmark support only: a scripted GVCP peer on 127.0.0.1.
// ScriptedPeer owns a UDP socket and a thread that records every datagram it
// receives and sends back whatever its script returns, to the sender. It also
// counts requests that arrive while an earlier one is still being answered,
// which a control channel that never overlaps its exchanges cannot cause.
// RegisterDevice is a ready script: a flat register and memory space with
// addresses that refuse access. Everything is safe to inspect from the test
// thread while the peer runs. The peer stands for a camera, which has a
// processor of its own: its thread runs at the highest priority where the
// process may raise it (as root), so that a loaded host does not push its
// answers past the waits a test times them against.
#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "net/ipv4.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace testing_peer {

using Bytes = std::vector<uint8_t>;
// Given one received datagram, the datagrams to answer with (in order).
using Script = std::function<std::vector<Bytes>(const Bytes& request)>;

// An acknowledge to `request`: code command+1, ack_id = req_id, `payload` behind.
inline Bytes ackFor(const Bytes& request, std::span<const uint8_t> payload, uint16_t status = 0) {
  const gvcp::CommandHeader cmd = gvcp::readCommandHeader(request.data());
  Bytes ack(gvcp::kHeaderSize + payload.size());
  gvcp::writeAckHeader(ack.data(), {status, static_cast<uint16_t>(cmd.command + 1),
                                    static_cast<uint16_t>(payload.size()), cmd.req_id});
  if (!payload.empty()) std::memcpy(ack.data() + gvcp::kHeaderSize, payload.data(), payload.size());
  return ack;
}

inline gvcp::CommandHeader header(const Bytes& request) {
  return gvcp::readCommandHeader(request.data());
}

// The nice value of a thread or process that stands for a camera.
inline constexpr int kDevicePriority = -20;

class ScriptedPeer {
 public:
  explicit ScriptedPeer(Script script, std::chrono::microseconds answerDelay = {},
                        std::chrono::milliseconds replyGap = {})  // between answers
      : script_(std::move(script)), answerDelay_(answerDelay), replyGap_(replyGap) {
    sock_ = net::UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    stop_ = net::UniqueFd(::eventfd(0, EFD_CLOEXEC));
    sockaddr_in addr = net::socketAddress(htonl(INADDR_LOOPBACK), 0);
    ok_ =
        sock_ && stop_ && ::bind(sock_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    socklen_t len = sizeof addr;
    ok_ = ok_ && ::getsockname(sock_.get(), reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    port_ = ntohs(addr.sin_port);
    if (ok_) thread_ = std::thread([this] { loop(); });
  }
  ~ScriptedPeer() {
    if (thread_.joinable()) {
      const uint64_t one = 1;
      (void)!::write(stop_.get(), &one, sizeof one);
      thread_.join();
    }
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  bool ok() const { return ok_; }
  uint32_t ip() const { return htonl(INADDR_LOOPBACK); }  // network byte order
  net::Ipv4 address() const { return net::Ipv4::fromHost(INADDR_LOOPBACK); }
  uint16_t port() const { return port_; }  // host order

  std::vector<Bytes> received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  size_t count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_.size();
  }
  // Datagrams the script answered, counted just before the answer is sent.
  size_t answered() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answered_;
  }
  int overlaps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return overlaps_;
  }
  bool waitForCount(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return received_.size() >= n; });
  }
  // Arrival times on the steady clock, one per received datagram.
  std::vector<std::chrono::steady_clock::time_point> arrivals() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return arrivals_;
  }

 private:
  void loop() {
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kDevicePriority);
    pollfd fds[2] = {{sock_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    while (::poll(fds, 2, -1) >= 0 && (fds[1].revents & POLLIN) == 0) {
      if ((fds[0].revents & POLLIN) != 0) serveOne();
    }
  }
  void serveOne() {
    Bytes datagram(65536);
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t got = ::recvfrom(sock_.get(), datagram.data(), datagram.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (got < 0) return;
    datagram.resize(static_cast<size_t>(got));
    record(datagram);
    const std::vector<Bytes> replies =
        datagram.size() >= gvcp::kHeaderSize ? script_(datagram) : std::vector<Bytes>{};
    if (replies.empty()) return;
    if (answerDelay_.count() > 0) std::this_thread::sleep_for(answerDelay_);
    notePending(replies.size());
    for (const Bytes& reply : replies) {
      if (&reply != &replies.front()) std::this_thread::sleep_for(replyGap_);
      (void)::sendto(sock_.get(), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     fromLen);
    }
  }
  void record(const Bytes& datagram) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(datagram);
    arrivals_.push_back(std::chrono::steady_clock::now());
    arrived_.notify_all();
  }
  // A datagram already queued before this one is answered is an overlap.
  void notePending(size_t replies) {
    pollfd entry{sock_.get(), POLLIN, 0};
    const bool queued = ::poll(&entry, 1, 0) > 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (queued) ++overlaps_;
    answered_ += replies > 0 ? 1 : 0;
  }

  Script script_;
  std::chrono::microseconds answerDelay_;
  std::chrono::milliseconds replyGap_;
  net::UniqueFd sock_;
  net::UniqueFd stop_;
  bool ok_ = false;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Bytes> received_;
  std::vector<std::chrono::steady_clock::time_point> arrivals_;
  size_t answered_ = 0;
  int overlaps_ = 0;
  std::thread thread_;
};

// A device of 64 KiB register and memory space answering READREG, WRITEREG and
// READMEM like a camera. Accesses to a refused address answer `refusal`.
class RegisterDevice {
 public:
  static constexpr size_t kSpaceBytes = 0x10000;

  void setRegister(uint32_t address, uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    gvcp::putBe32(space_.data() + address, value);
  }
  uint32_t getRegister(uint32_t address) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return gvcp::getBe32(space_.data() + address);
  }
  void setBytes(uint32_t address, std::span<const uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(space_.data() + address, bytes.data(), bytes.size());
  }
  void setText(uint32_t address, std::string_view text) {
    setBytes(address, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  void refuse(uint32_t address, uint16_t status = gvcp::kStatusInvalidAddress) {
    std::lock_guard<std::mutex> lock(mutex_);
    refused_.insert(address);
    refusal_ = status;
  }
  // The register writes the device accepted or refused, in order.
  std::vector<std::pair<uint32_t, uint32_t>> writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
  }
  Script script() {
    return [this](const Bytes& request) { return std::vector<Bytes>{answer(request)}; };
  }
  // Requests answered so far.
  int requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  Bytes answer(const Bytes& request) {
    const gvcp::CommandHeader cmd = header(request);
    if (request.size() < gvcp::kHeaderSize + 4)
      return ackFor(request, {}, gvcp::kStatusInvalidHeader);
    const uint32_t address = gvcp::getBe32(request.data() + gvcp::kHeaderSize) & 0xFFFC;
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_;
    // A read of memory is refused when it covers a refused address.
    const uint32_t span = cmd.command == gvcp::READMEM_CMD
                              ? gvcp::getBe16(request.data() + gvcp::kHeaderSize + 6)
                              : 4;
    const auto firstRefused = refused_.lower_bound(address);
    const bool refused = firstRefused != refused_.end() && *firstRefused < address + span;
    if (cmd.command == gvcp::WRITEREG_CMD && request.size() >= gvcp::kHeaderSize + 8) {
      writes_.emplace_back(address, gvcp::getBe32(request.data() + gvcp::kHeaderSize + 4));
    }
    if (refused)
      return ackFor(request, cmd.command == gvcp::READREG_CMD ? Bytes{} : Bytes(4), refusal_);
    return ackFor(request, payloadFor(cmd.command, address, request));
  }
  Bytes payloadFor(uint16_t command, uint32_t address, const Bytes& request) {
    if (command == gvcp::READREG_CMD) {  // one or several (concatenated) addresses
      Bytes values;
      for (size_t at = gvcp::kHeaderSize; at + 4 <= request.size(); at += 4) {
        const uint32_t read = gvcp::getBe32(request.data() + at) & 0xFFFC;
        values.insert(values.end(), space_.begin() + read, space_.begin() + read + 4);
      }
      return values;
    }
    if (command == gvcp::WRITEREG_CMD) {
      std::memcpy(space_.data() + address, request.data() + gvcp::kHeaderSize + 4, 4);
      return Bytes{0, 0, 0, 1};
    }
    if (command != gvcp::READMEM_CMD) return Bytes(4);
    const uint16_t count = gvcp::getBe16(request.data() + gvcp::kHeaderSize + 6);
    Bytes payload(request.data() + gvcp::kHeaderSize, request.data() + gvcp::kHeaderSize + 4);
    const size_t end = std::min<size_t>(kSpaceBytes, address + ((count + 3u) & ~3u));
    payload.insert(payload.end(), space_.begin() + address, space_.begin() + end);
    return payload;
  }

  mutable std::mutex mutex_;
  Bytes space_ = Bytes(kSpaceBytes + 4, 0);
  std::set<uint32_t> refused_;
  uint16_t refusal_ = gvcp::kStatusInvalidAddress;
  std::vector<std::pair<uint32_t, uint32_t>> writes_;
  int requests_ = 0;
};

}  // namespace testing_peer
