// How the command line discovers, seen from the test bed: --trace puts every
// datagram on stderr as one decoded line (checked against what the camera
// counted), the request goes out more than once in the window, and without
// the packet-socket privilege `list` and `show` fall back to plain UDP with
// one warning.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_one_camera.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::Json;
using cli_checks::kWithoutRaw;
using testbed::Millis;
using testbed::ToolRun;

constexpr int kCapNetRawBit = 13;

using CliDiscoveryEndToEnd = CliOneCameraTest;

TEST_F(CliDiscoveryEndToEnd, TraceShowsEveryDiscoveryDatagramAndLeavesStdoutAlone) {
  const ToolRun traced = run({"list", "--trace"});
  EXPECT_EQ(traced.status, 0) << traced.err;
  const std::vector<std::string> trace = cli_checks::traceLines(traced.err);
  for (const std::string& line : trace) EXPECT_TRUE(cli_checks::wellFormedTrace(line)) << line;
  const size_t sent = cli_checks::countTrace(trace, {"gvcp send", ":3956 DISCOVERY_CMD"});
  // Sent again within the window, so one lost datagram does not lose a camera.
  EXPECT_GE(sent, 2u) << traced.err;
  EXPECT_TRUE(cam_->waitForStatus("count_discovery", std::to_string(sent), Millis(2000)))
      << cam_->status("count_discovery") << " != " << sent;
  EXPECT_GE(cli_checks::countTrace(trace,
                                   {"gvcp recv 192.168.10.11:3956 DISCOVERY_ACK", "status=0x0000"}),
            1u)
      << traced.err;
  const ToolRun quiet = run({"list"});
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(cli_checks::traceLines(quiet.err).size(), 0u) << quiet.err;
  EXPECT_EQ(quiet.out, traced.out);
}

TEST_F(CliDiscoveryEndToEnd, TraceShowsEveryRegisterReadOfShow) {
  const ToolRun traced = run({"show", "192.168.10.11", "--trace"});
  EXPECT_EQ(traced.status, 0) << traced.err;
  const std::vector<std::string> trace = cli_checks::traceLines(traced.err);
  for (const std::string& line : trace) EXPECT_TRUE(cli_checks::wellFormedTrace(line)) << line;
  const size_t reads = cli_checks::countTrace(trace, {"gvcp send 192.168.10.11:3956 READREG_CMD"});
  EXPECT_GT(reads, 0u) << traced.err;
  EXPECT_TRUE(cam_->waitForStatus("count_readreg", std::to_string(reads), Millis(2000)))
      << cam_->status("count_readreg") << " != " << reads;
  EXPECT_EQ(
      cli_checks::countTrace(trace, {"gvcp recv 192.168.10.11:3956 READREG_ACK", "status=0x0000"}),
      reads)
      << traced.err;
  EXPECT_NE(cli_checks::countTrace(trace, {"READREG_CMD", "addr=0x"}), 0u) << traced.err;
}

// CAP_NET_RAW in the effective set of a program run under `wrapper`.
bool hasRawCapability(const std::string& ns, const std::vector<std::string>& wrapper) {
  std::vector<std::string> argv = wrapper;
  argv.insert(argv.end(), {"grep", "CapEff", "/proc/self/status"});
  const testbed::CommandResult r = testbed::runCommand(ns, argv);
  const size_t tab = r.output.find('\t');
  return tab != std::string::npos &&
         ((std::strtoull(r.output.c_str() + tab + 1, nullptr, 16) >> kCapNetRawBit) & 1) != 0;
}

size_t warningLines(const std::string& err) {
  size_t n = 0;
  for (const std::string& line : cli_checks::lines(err)) n += line.rfind("warning: ", 0) == 0;
  return n;
}

TEST_F(CliDiscoveryEndToEnd, WithoutCapturePrivilegeListAndShowFallBackWithOneWarning) {
  ASSERT_TRUE(hasRawCapability(host_, {}));
  ASSERT_FALSE(hasRawCapability(host_, kWithoutRaw));
  const ToolRun list = run({"list", "--json"}, kWithoutRaw);
  EXPECT_EQ(list.status, 0) << list.err;
  const Json cameras = cli_checks::member(cli_checks::document(list.out), "cameras");
  ASSERT_TRUE(cameras.is_array()) << list.out;
  ASSERT_EQ(cameras.size(), 1u) << list.out;
  EXPECT_EQ(cli_checks::text(cameras[0], "mac"), kOneCameraMac);
  EXPECT_EQ(cli_checks::lines(list.err).size(), 1u) << list.err;
  EXPECT_EQ(warningLines(list.err), 1u) << list.err;
  EXPECT_NE(list.err.find("setcap cap_net_raw+p"), std::string::npos) << list.err;
  const ToolRun show = run({"show", "SN-11", "--json"}, kWithoutRaw);
  EXPECT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(cli_checks::text(cli_checks::member(cli_checks::document(show.out), "camera"), "mac"),
            kOneCameraMac);
  EXPECT_EQ(warningLines(show.err), 1u) << show.err;
  // With the privilege there is nothing to warn about.
  const ToolRun privileged = run({"list", "--json"});
  EXPECT_EQ(privileged.status, 0) << privileged.err;
  EXPECT_EQ(warningLines(privileged.err), 0u) << privileged.err;
}

}  // namespace
