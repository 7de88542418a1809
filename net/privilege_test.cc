#include "net/privilege.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <thread>
#include <vector>

#include "net/interface_bind.h"

namespace net {
namespace {

struct FakeCapabilities : CapabilitySystem {
  bool netRawPermitted() override { return permitted; }
  bool setNetRawEffective(bool on) override { return (effective = on && permitted) == on; }
  bool keepOnlyNetRaw() override { return true; }
  bool dropAll() override { return !(permitted = effective = false); }
  bool permitted = true, effective = false;
} caps;

// The kernel before 5.7: the tie needs CAP_NET_RAW in effect.
int bindNeedingPrivilege(int, const std::string&) { return caps.effective ? 0 : EPERM; }

TEST(Privilege, RaisedAroundOneCallWhilePermittedAndNeverAfterTheDrop) {
  caps = {};
  const ScopedCapabilitySystem scoped(caps);
  const net::ScopedDeviceBindCall bind(bindNeedingPrivilege);
  std::vector<std::string> lines;
  setTraceHook([&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(net::bindToInterface(-1, "cam0"), 0);  // tried again with the privilege raised
  EXPECT_FALSE(caps.effective);
  socketsOpened();
  EXPECT_FALSE(droppedForGood());  // no drop was asked for
  dropOnceSocketsOpen();
  socketsOpened();
  caps.permitted = true;  // nothing is raised after the drop, whatever the sets say
  EXPECT_EQ(net::bindToInterface(-1, "cam0"), EPERM);
  dropForGood();
  setTraceHook({});
  EXPECT_EQ(lines, (std::vector<std::string>{"privilege: CAP_NET_RAW raised (interface bind)",
                                             "privilege: all capabilities dropped"}));
}

unsigned long long threadStatus(const std::string& field) {
  std::ifstream status("/proc/self/task/" + std::to_string(::syscall(SYS_gettid)) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0)
      return std::stoull(line.substr(field.size() + 1), nullptr, 16);
  }
  return ~0ull;
}

// On a thread of its own: the calls act on the calling thread's sets.
TEST(KernelCapabilities, KeepsNetRawAloneThenDropsEverything) {
  std::thread([] {
    const auto kernel = systemCapabilities();
    const unsigned long long kept = threadStatus("CapPrm") & (1ull << 13);
    ASSERT_TRUE(kernel->keepOnlyNetRaw());
    EXPECT_EQ(threadStatus("CapPrm"), kept);
    EXPECT_EQ(threadStatus("CapEff"), 0u);
    EXPECT_EQ(kernel->setNetRawEffective(true), kept != 0);
    EXPECT_EQ(threadStatus("CapEff"), kept);
    ASSERT_TRUE(kernel->dropAll());
    EXPECT_EQ(threadStatus("CapPrm") | threadStatus("CapEff"), 0u);
    EXPECT_EQ(threadStatus("NoNewPrivs"), 1u);
  }).join();
}

}  // namespace
}  // namespace net
