// The process's capabilities, least privilege: CAP_NET_RAW (the packet
// socket, the ARP socket, SO_BINDTODEVICE on older kernels) is held in the
// permitted set only and raised into the effective set around the one call
// that needs it (NetRawRaised); every other capability is shed at start
// (keepOnlyNetRaw), and all of them for good once a command opened its
// privileged sockets (dropForGood, which also sets PR_SET_NO_NEW_PRIVS).
// Capabilities belong to a thread: the calls act on the caller's, and threads
// started later inherit them. A hook, when set, receives one line per raise
// and per drop (for --trace); nothing is printed here. The OS calls sit behind
// CapabilitySystem so the logic runs in tests without privilege.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace net {

// The capability calls, on the calling thread.
class CapabilitySystem {
 public:
  virtual ~CapabilitySystem() = default;
  // CAP_NET_RAW is in the permitted set.
  virtual bool netRawPermitted() = 0;
  // Puts CAP_NET_RAW into the effective set or takes it out; false on refusal.
  virtual bool setNetRawEffective(bool on) = 0;
  // Permitted becomes CAP_NET_RAW where it was there, effective and
  // inheritable become empty.
  virtual bool keepOnlyNetRaw() = 0;
  // Empties every set and sets PR_SET_NO_NEW_PRIVS.
  virtual bool dropAll() = 0;
};

// The kernel's, through libcap.
std::unique_ptr<CapabilitySystem> systemCapabilities();

// Receives "privilege: ..." lines; an empty function removes it.
void setTraceHook(std::function<void(const std::string&)> hook);
// Hands `line` to the hook, if any (also for notes of the layers above).
void trace(const std::string& line);

// At program start, before any thread: keeps CAP_NET_RAW (when permitted) and
// sheds every other capability. False when the kernel refused.
bool keepOnlyNetRaw();

// Clears every capability and forbids new ones for this process; later
// NetRawRaised raise nothing. Traced on its first call only.
void dropForGood();
bool droppedForGood();

// Asks for dropForGood() the next time socketsOpened() is called: a command
// that needs no privileged socket after its discovery's sockets are open
// gives its capabilities up while it still listens.
void dropOnceSocketsOpen();
// Called by a capturing discovery once all of its sockets are open.
void socketsOpened();

// CAP_NET_RAW in the effective set for this object's life, when permitted
// and not dropped: raised in the constructor, lowered in the destructor.
// `purpose` names the call in the trace ("packet socket").
class NetRawRaised {
 public:
  explicit NetRawRaised(const char* purpose);
  ~NetRawRaised();
  NetRawRaised(const NetRawRaised&) = delete;
  NetRawRaised& operator=(const NetRawRaised&) = delete;
  bool raised() const { return raised_; }

 private:
  bool raised_ = false;
};

// Tests: `system` takes the kernel's place, and the process state (dropped,
// pending drop) starts afresh, until this object ends.
class ScopedCapabilitySystem {
 public:
  explicit ScopedCapabilitySystem(CapabilitySystem& system);
  ~ScopedCapabilitySystem();
  ScopedCapabilitySystem(const ScopedCapabilitySystem&) = delete;
  ScopedCapabilitySystem& operator=(const ScopedCapabilitySystem&) = delete;
};

}  // namespace net
