// The adapter scan against real interfaces made inside a test namespace, and
// the tool's run on a host that has nothing but its loopback interface.
#include <gtest/gtest.h>

#include <sstream>

#include "testbed/testbed.h"

namespace {

using testbed::Millis;

std::string run(const std::string& ns, const std::vector<std::string>& argv) {
  testbed::Process p(ns, argv);
  p.closeInput();
  EXPECT_EQ(p.waitForExit(Millis(20000)), 0) << p.errors();
  return p.output();
}

bool ip(const std::string& ns, const std::string& args) {
  return std::system(("ip -n " + ns + " " + args + " >/dev/null 2>&1").c_str()) == 0;
}

// The line of `name` in the scan tool's output, or "" when it is not there.
std::string lineOf(const std::string& output, const std::string& name) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string index, ifname;
    fields >> index >> ifname;
    if (ifname == name) return line;
  }
  return "";
}

TEST(AdapterScanEndToEnd, AvailabilityFollowsTheIpv4AddressOnly) {
  NUV_REQUIRE_TESTBED();
  testbed::Network net;
  const std::string host = net.addHost("scan");
  // veth pairs made inside the namespace (not every kernel offers dummy links).
  ASSERT_TRUE(ip(host, "link add vif1 address 02:1a:2b:3c:4d:5e type veth peer name vif1p"));
  ASSERT_TRUE(ip(host, "addr add 192.168.77.10/24 dev vif1"));
  ASSERT_TRUE(ip(host, "link set vif1p up"));
  ASSERT_TRUE(ip(host, "link set vif1 up"));
  // Down, but keeps its address: still available.
  ASSERT_TRUE(ip(host, "link add vif2 type veth peer name vif2p"));
  ASSERT_TRUE(ip(host, "addr add 10.9.8.7/8 dev vif2"));
  // Up with only IPv6: name and MAC read, not available.
  ASSERT_TRUE(ip(host, "link add vif3 address 02:00:00:00:00:33 type veth peer name vif3p"));
  ASSERT_TRUE(ip(host, "link set vif3p up"));
  ASSERT_TRUE(ip(host, "link set vif3 up"));
  // The test bed turns IPv6 off in its namespaces; this link has it back.
  ASSERT_EQ(
      testbed::runCommand(host, {"sysctl", "-qw", "net.ipv6.conf.vif3.disable_ipv6=0"}).status, 0);
  ASSERT_TRUE(ip(host, "addr add fd00::3/64 dev vif3"));
  // Index 30 and above is never scanned, even with an address.
  ASSERT_TRUE(ip(host, "link add vif30 index 30 type veth peer name vif30p"));
  ASSERT_TRUE(ip(host, "addr add 172.16.30.1/16 dev vif30"));

  const std::string out = run(host, {testbed::binary("nuv_adaptors")});
  EXPECT_NE(lineOf(out, "lo").find(" lo 127.0.0.1 255.0.0.0 00:00:00:00:00:00 available"),
            std::string::npos) << out;
  EXPECT_NE(lineOf(out, "vif1").find(" 192.168.77.10 255.255.255.0 02:1A:2B:3C:4D:5E available"),
            std::string::npos) << out;
  EXPECT_NE(lineOf(out, "vif2").find(" 10.9.8.7 255.0.0.0 "), std::string::npos) << out;
  EXPECT_NE(lineOf(out, "vif2").find(" available"), std::string::npos) << out;
  EXPECT_NE(lineOf(out, "vif3").find(" 0.0.0.0 0.0.0.0 02:00:00:00:00:33 unavailable"),
            std::string::npos) << out;
  EXPECT_EQ(lineOf(out, "vif30"), "") << out;
  EXPECT_NE(out.find("scanned: lo vif1 vif2\n"), std::string::npos) << out;
  EXPECT_NE(out.rfind("0 ", 0), 0u) << "index 0 named an interface:\n" << out;
  EXPECT_EQ(out.find("\n0 "), std::string::npos) << "index 0 named an interface:\n" << out;
}

TEST(AdapterScanEndToEnd, LoopbackOnlyHostFindsNoCamera) {
  NUV_REQUIRE_TESTBED();
  testbed::Network net;
  const std::string host = net.addHost("lonely");
  EXPECT_EQ(run(host, {testbed::binary("nuv-ipconfig")}),
            "-----------------------------------------------------\n"
            "Welcome to use interactive NUV IP configuration tool!\n"
            "-----------------------------------------------------\n"
            "\nTo use this program, an elevated privilege is needed!\n\n"
            "Searching all available network adapters ...\n"
            "no camera found!\n");
}

}  // namespace
