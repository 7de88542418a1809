// The end-to-end test bed: camera networks built from network namespaces, veth
// pairs and bridges, the simulated cameras in them, and programs run inside.
// Nothing touches the machine's own interfaces: every link is created inside
// the test's namespaces, and ~Network removes them all, also after a failed
// ASSERT or an exception. Needs root (NUV_REQUIRE_TESTBED skips without it,
// and fails under CI=true). One thread per object.
//
// Usage (kept out of the formatter's reach so it stays readable):
// clang-format off
//   TEST(DiscoveryEndToEnd, FindsCameraInForeignSubnet) {
//     NUV_REQUIRE_TESTBED();
//     testbed::Network net;
//     const std::string host = net.addHost("host");
//     const std::string sw = net.addSwitch("sw");
//     net.connect(host, "eth1", sw, "192.168.10.1/24");  // host adapter on the switch
//     // (or, in one step: auto lan = net.addLan("host", "192.168.10.1/24");)
//     testbed::CameraSpec setup;
//     setup.mac = "02:00:00:00:00:11";
//     setup.ip = "10.0.0.5";                    // "" = power-up choice, "0.0.0.0" = none
//     setup.extraArgs = {"--restart-ms", "300"};  // any nuv-camsim option (see --help)
//     testbed::SimulatedCamera cam(net, sw, "cam1", setup);
//     ASSERT_TRUE(cam.ready()) << cam.process().errors();
//     testbed::Process tool(host, {testbed::binary("nuv-ipconfig")});
//     ASSERT_TRUE(tool.waitForOutput("10.0.0.5", testbed::Millis(5000))) << tool.output();
//     tool.writeLine("1");
//     ...
//     EXPECT_TRUE(cam.waitForStatus("address", "192.168.10.50", testbed::Millis(3000)));
//     EXPECT_EQ(cam.persisted("ip_config"), "5");
//   }
// clang-format on
// A fixture that builds the one-subnet bed: testbed::LanTest (lan_fixture.h).
// A host setting inside a namespace (sysctl -w, nft, ip link set ... down):
// testbed::runCommand(ns, argv).status (process.h).
// Status keys (file "status"): address mask gateway ip_config ccp ccp_holder
// heartbeat_timeout_ms last_ip_config_written persistent_ip persistent_mask reboots
// restarting flash_phase flash_blocks count_<kind> (discovery forceip readreg
// writereg readmem writemem flash malformed unknown dropped_requests stores
// store_resends_ignored dropped_while_storing ...) sync (the value of the last
// SimulatedCamera::sync). ip_config is decimal and holds every bit written
// (pause-frame bits included).
// Persisted keys (file "state"): ip_config persistent_ip persistent_mask
// persistent_gateway user_name_hex reboot_count. Flash image: file "flash.bin".
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/unique_fd.h"
#include "testbed/process.h"
#include "testbed/simulated_camera.h"

namespace testbed {

enum class RootCheck { kRun, kSkip, kFail };
// kRun as root; otherwise kFail when CI=true, else kSkip.
RootCheck rootCheck();
inline constexpr char kNeedsRootReason[] =
    "end-to-end test needs root to create network namespaces (run as root, or set CI=true to make "
    "this a failure)";

// A built program of this project (nuv-ipconfig, nuv-camsim, testbed tools).
std::string binary(const std::string& name);
// A file of the source tree, e.g. source("scripts/demo.sh").
std::string source(const std::string& relative);

class Network {
 public:
  Network();
  ~Network();
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;

  // A namespace with loopback up and reverse-path filtering off; returns its
  // name, unique per run ("nuvtb<pid>-<n>-<role>").
  std::string addHost(const std::string& role);
  // A namespace holding bridge "br0", up.
  std::string addSwitch(const std::string& role);
  // A veth pair: `ifname` in `ns` (address `cidr` unless empty, MAC `mac`
  // unless empty), its peer enslaved to the bridge of switch `sw`. Returns
  // false when `ip` refused (the reason is in lastError()).
  bool connect(const std::string& ns, const std::string& ifname, const std::string& sw,
               const std::string& cidr = "", const std::string& mac = "");
  // The common one-subnet bed: host `role` with adapter "eth1" (address
  // `cidr`) on a new switch. Empty names when a step failed (see lastError()).
  struct Lan {
    std::string host;
    std::string sw;
  };
  Lan addLan(const std::string& role, const std::string& cidr);
  // A camera namespace: interface "eth0" with `mac` on switch `sw`, no address.
  std::string addCamera(const std::string& role, const std::string& sw, const std::string& mac);

  const std::vector<std::string>& namespaces() const { return namespaces_; }
  const std::string& prefix() const { return prefix_; }
  const std::string& lastError() const { return lastError_; }

 private:
  std::string addNamespace(const std::string& role);
  bool ip(const std::vector<std::string>& args);

  std::string prefix_;
  int nextPeer_ = 0;
  std::vector<std::string> namespaces_;
  std::string lastError_;
};

// Names of the namespaces that exist now (`ip netns list`).
std::vector<std::string> existingNamespaces();

// This thread in network namespace `ns` while the object lives, then back in
// its own, or the process aborts; entered() is false when `ns` could not be
// entered. A Process with no namespace of its own starts there (fork, exec).
class NamespaceVisit {
 public:
  explicit NamespaceVisit(const std::string& ns);
  ~NamespaceVisit();
  bool entered() const { return entered_; }

 private:
  net::UniqueFd home_;
  bool entered_ = false;
};

// A socket that lives in namespace `ns`: this thread enters `ns`, creates it
// and returns to its own namespace, so a test can send and capture datagrams
// there itself. Invalid when any step fails.
net::UniqueFd socketIn(const std::string& ns, int domain, int type, int protocol = 0);
// Index of interface `ifname` inside `ns`; 0 when unknown.
int interfaceIndexIn(const std::string& ns, const std::string& ifname);

}  // namespace testbed

#define NUV_REQUIRE_TESTBED()                                                                 \
  do {                                                                                        \
    const ::testbed::RootCheck nuv_root_check = ::testbed::rootCheck();                       \
    if (nuv_root_check == ::testbed::RootCheck::kFail) FAIL() << ::testbed::kNeedsRootReason; \
    if (nuv_root_check == ::testbed::RootCheck::kSkip)                                        \
      GTEST_SKIP() << ::testbed::kNeedsRootReason;                                            \
  } while (0)
