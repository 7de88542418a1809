#include "simulator/sim_runtime.h"

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "gvcp/gvcp_protocol.h"
#include "net/socket_address.h"
#include "os/whole_file.h"
#include "simulator/gvcp_trace.h"
#include "simulator/interface_control.h"
#include "simulator/register_space.h"
#include "simulator/status_report.h"

namespace sim {
namespace {

constexpr int kTickMs = 50;  // how late a heartbeat lapse or restart end may be noticed
// How long changes made by requests may wait before the files show them: a
// stream of requests costs one file write per period instead of one per answer.
constexpr uint64_t kStatusSettleMs = 20;
constexpr size_t kMaxDatagramBytes = 65536;
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFF;
// Datagrams a storing camera keeps for later, about what a default socket
// receive buffer holds of small requests; more are lost, as on a device.
constexpr size_t kMaxHeldDatagrams = 256;

uint64_t nowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void report(const std::string& line) { std::fprintf(stderr, "nuv-camsim: %s\n", line.c_str()); }

void complain(const std::string& what) { report(what + ": " + std::strerror(errno)); }

bool sameSender(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

bool failed(const std::string& what) {
  complain(what);
  return false;
}

sockaddr_in broadcastTo(uint16_t portNetworkOrder) {
  return net::socketAddress(htonl(kLimitedBroadcast), ntohs(portNetworkOrder));
}

net::UniqueFd blockedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGUSR1);
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return net::UniqueFd();
  return net::UniqueFd(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
}

}  // namespace

Simulator::Simulator(SimOptions options)
    : options_(std::move(options)),
      state_(options_.device),
      dice_(state_.faults.seed),
      received_(kMaxDatagramBytes) {
  flash_.flashTimeMs = options_.flashMs;
  flash_.neverFinish = state_.faults.neverFinishFlash;
}

int Simulator::run() {
  if (!setUp()) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  serve();
  return 0;
}

bool Simulator::setUp() {
  const std::string stateFile = options_.stateDir + "/state";
  if (auto text = os::readFileWhole(stateFile))
    state_.persisted = persistedFromText(*text, state_.persisted);
  adoptFirmwareVersion();
  if (!options_.macGiven) {
    const auto mac = interfaceMac(options_.interface);
    if (!mac) return failed("cannot read the MAC of " + options_.interface);
    state_.mac = *mac;
  }
  state_.current = options_.address ? *options_.address : powerUpAddress(state_);
  signals_ = blockedSignals();
  if (!signals_) return failed("signalfd");
  if (!setInterfaceAddress(options_.interface, state_.current)) {
    return failed("cannot set the address of " + options_.interface);
  }
  if (!openSocket(gvcpSocket_, gvcp::kPort) || !openSocket(flashSocket_, gvcp::kEpcsPort))
    return false;
  publish();
  return true;
}

bool Simulator::openSocket(net::UniqueFd& fd, uint16_t port) {
  fd = net::UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const int one = 1;
  const std::string& dev = options_.interface;
  const sockaddr_in any = net::socketAddress(htonl(INADDR_ANY), port);
  if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
      ::setsockopt(fd.get(), SOL_SOCKET, SO_BINDTODEVICE, dev.c_str(), dev.size()) != 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    complain("cannot open UDP port " + std::to_string(port) + " on " + dev);
    return false;
  }
  return true;
}

void Simulator::serve() {
  pollfd fds[3] = {
      {signals_.get(), POLLIN, 0}, {gvcpSocket_.get(), POLLIN, 0}, {flashSocket_.get(), POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 3, pollTimeoutMs(nowMs()));
    if (ready < 0 && errno != EINTR) return complain("poll");
    if (fds[0].revents != 0 && !onSignal()) return publish();  // nothing waits unwritten
    if (fds[1].revents != 0) receiveOn(gvcpSocket_.get(), nowMs());
    if (fds[2].revents != 0) receiveOn(flashSocket_.get(), nowMs());
    tick(nowMs());
  }
}

bool Simulator::onSignal() {
  signalfd_siginfo info{};
  if (::read(signals_.get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return true;
  if (info.ssi_signo != SIGUSR1) return false;
  // A shell has no sigqueue: a plain kill is answered with its sender's pid.
  sync_ = info.ssi_code == SI_QUEUE ? info.ssi_int : static_cast<int>(info.ssi_pid);
  publish();
  return true;
}

int Simulator::pollTimeoutMs(uint64_t now) const {
  uint64_t wait = kTickMs;
  if (publishDueMs_) wait = std::min(wait, *publishDueMs_ > now ? *publishDueMs_ - now : 0);
  if (storeEndMs_) wait = std::min(wait, *storeEndMs_ > now ? *storeEndMs_ - now : 0);
  for (const Pending& p : pending_) wait = std::min(wait, p.dueMs > now ? p.dueMs - now : 0);
  return static_cast<int>(wait);
}

void Simulator::receiveOn(int fd, uint64_t now) {
  sockaddr_in from{};
  socklen_t fromLen = sizeof from;
  const ssize_t n = ::recvfrom(fd, received_.data(), received_.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
  if (n < 0) return;
  const std::span<const uint8_t> buffer(received_.data(), static_cast<size_t>(n));
  if (restarting_) {
    ++state_.counts["ignored_restarting"];
  } else if (dice_.roll(state_.faults.dropRequests)) {
    ++state_.counts["dropped_requests"];
  } else if (storeEndMs_) {
    hold(fd, buffer, from);
  } else {
    handle(fd, buffer, from, now);
  }
  sendDue(now);
  publishLater(now);
}

void Simulator::handle(int fd, std::span<const uint8_t> datagram, const sockaddr_in& from,
                       uint64_t now) {
  if (fd == gvcpSocket_.get()) {
    onGvcp(datagram, from, now);
  } else {
    onFlash(datagram, from, now);
  }
}

void Simulator::hold(int fd, std::span<const uint8_t> datagram, const sockaddr_in& from) {
  const bool resent = fd == storing_.fd && sameSender(from, storing_.from) &&
                      std::ranges::equal(datagram, storing_.bytes);
  if (resent) {
    ++state_.counts["store_resends_ignored"];
  } else if (held_.size() >= kMaxHeldDatagrams) {
    ++state_.counts["dropped_while_storing"];
  } else {
    held_.push_back({fd, from, std::vector<uint8_t>(datagram.begin(), datagram.end())});
  }
}

// The camera listens again: what waited is handled in arrival order (until a
// restart silences it or another store makes the rest wait again). It judged
// no silence while it stored, so the holder's heartbeat counts from now.
void Simulator::finishStore(uint64_t now) {
  storeEndMs_.reset();
  if (state_.control.holder) state_.control.lastSeenMs = now;
  std::deque<Held> waiting;
  waiting.swap(held_);
  for (; !waiting.empty(); waiting.pop_front()) {
    const Held& next = waiting.front();
    if (restarting_) {
      ++state_.counts["ignored_restarting"];
    } else if (storeEndMs_) {
      hold(next.fd, next.bytes, next.from);
    } else {
      handle(next.fd, next.bytes, next.from, now);
    }
  }
  sendDue(now);
  publishLater(now);
}

void Simulator::onGvcp(std::span<const uint8_t> request, const sockaddr_in& from, uint64_t now) {
  const Peer peer{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
  Outcome outcome = handleGvcp(state_, peer, request, now);
  if (options_.trace) {
    if (!outcome.pendingAck.empty())
      std::fputs(traceLine(peer, request, outcome.pendingAck).c_str(), stderr);
    std::fputs(traceLine(peer, request, outcome.answer).c_str(), stderr);
  }
  if (outcome.newAddress || outcome.restartIpConfig) applyAddress();
  if (outcome.storeMs > 0) {
    ++state_.counts["stores"];
    storeEndMs_ = now + outcome.storeMs;
    storing_ = {gvcpSocket_.get(), from, std::vector<uint8_t>(request.begin(), request.end())};
  }
  if (outcome.route != Route::kNone) {
    const sockaddr_in to = outcome.route == Route::kUnicast ? from : broadcastTo(from.sin_port);
    queue(shapeGvcpAnswer(std::move(outcome.pendingAck), state_.faults, dice_), gvcpSocket_.get(),
          to, now);
    queue(shapeGvcpAnswer(std::move(outcome.answer), state_.faults, dice_), gvcpSocket_.get(), to,
          now + outcome.storeMs);
  }
  if (outcome.reboot) beginRestart(now);
}

void Simulator::onFlash(std::span<const uint8_t> request, const sockaddr_in& from, uint64_t now) {
  ++state_.counts["flash"];
  FlashOutcome outcome = handleFlash(flash_, request, now);
  if (outcome.programmed) {
    const std::string image(outcome.programmed->begin(), outcome.programmed->end());
    if (const std::string why = os::writeFileWhole(options_.stateDir + "/flash.bin", image);
        !why.empty())
      report(why);
  }
  queue(shapeAnswer(std::move(outcome.answer), state_.faults, dice_), flashSocket_.get(), from,
        now);
}

void Simulator::queue(std::vector<Datagram> datagrams, int fd, const sockaddr_in& to,
                      uint64_t now) {
  for (Datagram& d : datagrams) pending_.push_back({now + d.delayMs, fd, to, std::move(d.bytes)});
}

void Simulator::sendDue(uint64_t now) {
  // In queue order, so a stale copy still leaves before the answer it precedes.
  auto due = [now](const Pending& p) { return p.dueMs <= now; };
  for (const Pending& p : pending_) {
    if (!due(p)) continue;
    if (::sendto(p.fd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&p.to),
                 sizeof p.to) < 0) {
      ++state_.counts["send_failures"];
    }
  }
  std::erase_if(pending_, due);
}

void Simulator::tick(uint64_t now) {
  sendDue(now);
  if (storeEndMs_ && now >= *storeEndMs_) finishStore(now);
  if (publishDueMs_ && now >= *publishDueMs_) publish();
  if (!storeEndMs_ && expireControl(state_, now)) publish();
  if (restarting_ && !state_.faults.neverReturn && now >= restartDoneMs_) finishRestart();
}

void Simulator::beginRestart(uint64_t now) {
  publish();
  sendDue(now + state_.faults.delayMs);  // the answer to the restart request still leaves
  pending_.clear();
  restarting_ = true;
  restartDoneMs_ = now + options_.restartMs;
  state_.current = IpSettings{};
  applyAddress();
}

// Power-up: control and heartbeat timeout back to defaults, address chosen as a
// device does (persistent, else DHCP which finds no server, else link-local).
void Simulator::finishRestart() {
  restarting_ = false;
  state_.control = Control{};
  state_.heartbeatTimeoutMs = kDefaultHeartbeatTimeoutMs;
  ++state_.persisted.rebootCount;
  if (flash_.phase == FlashPhase::kDone && !options_.flashedVersion.empty()) {
    state_.persisted.firmwareVersion = options_.flashedVersion;
  }
  adoptFirmwareVersion();
  flash_ =
      FlashState{FlashPhase::kIdle, {}, 0, 0, options_.flashMs, state_.faults.neverFinishFlash};
  state_.current =
      state_.faults.linkLocalAfterRestart ? linkLocalAddress(state_) : powerUpAddress(state_);
  applyAddress();
  publish();
}

// The firmware flashed last, kept across restarts, reports its own version.
void Simulator::adoptFirmwareVersion() {
  if (!state_.persisted.firmwareVersion.empty())
    state_.identity.version = state_.persisted.firmwareVersion;
}

void Simulator::applyAddress() {
  if (!setInterfaceAddress(options_.interface, state_.current))
    complain("cannot change the address");
}

// The persisted state first: a reader that saw a status has its state too.
void Simulator::publish() {
  publishDueMs_.reset();
  publishFile("state", persistedToText(state_.persisted), lastState_);
  publishFile("status",
              statusText(state_, flash_, restarting_) + "sync " + std::to_string(sync_) + "\n",
              lastStatus_);
}

void Simulator::publishLater(uint64_t now) {
  if (!publishDueMs_) publishDueMs_ = now + kStatusSettleMs;
}

void Simulator::publishFile(const std::string& name, std::string content,
                            std::string& lastWritten) {
  if (content == lastWritten) return;
  if (const std::string why = os::writeFileWhole(options_.stateDir + "/" + name, content);
      !why.empty()) {
    report(why);
    return;
  }
  lastWritten = std::move(content);
}

}  // namespace sim
