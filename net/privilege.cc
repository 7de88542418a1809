#include "net/privilege.h"

#include <sys/capability.h>
#include <sys/prctl.h>

#include <atomic>
#include <mutex>
#include <type_traits>

namespace net {
namespace {

struct CapFree {
  void operator()(cap_t caps) const { cap_free(caps); }
};
using Caps = std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree>;

bool apply(const Caps& caps) { return caps && cap_set_proc(caps.get()) == 0; }

class KernelCapabilities : public CapabilitySystem {
 public:
  bool netRawPermitted() override {
    const Caps caps(cap_get_proc());
    cap_flag_value_t value = CAP_CLEAR;
    return caps && cap_get_flag(caps.get(), CAP_NET_RAW, CAP_PERMITTED, &value) == 0 &&
           value == CAP_SET;
  }
  bool setNetRawEffective(bool on) override {
    const Caps caps(cap_get_proc());
    const cap_value_t raw[] = {CAP_NET_RAW};
    return caps && cap_set_flag(caps.get(), CAP_EFFECTIVE, 1, raw, on ? CAP_SET : CAP_CLEAR) == 0 &&
           apply(caps);
  }
  bool keepOnlyNetRaw() override {
    const bool keep = netRawPermitted();
    const Caps caps(cap_init());  // every set empty
    const cap_value_t raw[] = {CAP_NET_RAW};
    if (!caps || (keep && cap_set_flag(caps.get(), CAP_PERMITTED, 1, raw, CAP_SET) != 0)) {
      return false;
    }
    return apply(caps);
  }
  bool dropAll() override {
    const bool cleared = apply(Caps(cap_init()));
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && cleared;
  }
};

struct State {
  std::mutex lock;  // guards hook and system
  std::function<void(const std::string&)> hook;
  CapabilitySystem* system = nullptr;  // the kernel's unless a test put one in
  std::atomic<bool> dropped{false};
  std::atomic<bool> dropPending{false};
};

State& state() {
  static State s;
  return s;
}

CapabilitySystem& capabilities() {
  static const std::unique_ptr<CapabilitySystem> kernel = systemCapabilities();
  State& s = state();
  const std::lock_guard<std::mutex> guard(s.lock);
  return s.system != nullptr ? *s.system : *kernel;
}

}  // namespace

std::unique_ptr<CapabilitySystem> systemCapabilities() {
  return std::make_unique<KernelCapabilities>();
}

void setTraceHook(std::function<void(const std::string&)> hook) {
  const std::lock_guard<std::mutex> guard(state().lock);
  state().hook = std::move(hook);
}

void trace(const std::string& line) {
  const std::lock_guard<std::mutex> guard(state().lock);
  if (state().hook) state().hook(line);
}

bool keepOnlyNetRaw() { return capabilities().keepOnlyNetRaw(); }

void dropForGood() {
  capabilities().dropAll();
  if (!state().dropped.exchange(true)) trace("privilege: all capabilities dropped");
}

bool droppedForGood() { return state().dropped; }

void dropOnceSocketsOpen() { state().dropPending = true; }

void socketsOpened() {
  if (state().dropPending.exchange(false)) dropForGood();
}

NetRawRaised::NetRawRaised(const char* purpose) {
  if (droppedForGood() || !capabilities().netRawPermitted()) return;
  raised_ = capabilities().setNetRawEffective(true);
  if (raised_) trace(std::string("privilege: CAP_NET_RAW raised (") + purpose + ")");
}

NetRawRaised::~NetRawRaised() {
  if (raised_) capabilities().setNetRawEffective(false);
}

ScopedCapabilitySystem::ScopedCapabilitySystem(CapabilitySystem& replacement) {
  {
    const std::lock_guard<std::mutex> guard(state().lock);
    state().system = &replacement;
  }
  state().dropped = false;
  state().dropPending = false;
}

ScopedCapabilitySystem::~ScopedCapabilitySystem() {
  {
    const std::lock_guard<std::mutex> guard(state().lock);
    state().system = nullptr;
  }
  state().dropped = false;
  state().dropPending = false;
}

}  // namespace net
