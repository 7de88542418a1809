// `nuv-ipconfig show CAMERA` run in the test bed: every selector form (MAC
// with ':' or '-' in either case, serial number, user-defined name, an
// address that answers and one that must be looked up), the registers only
// `show` reads (persistent settings, heartbeat timeout, control held by
// another host), two cameras that match, none that matches, a camera that
// stops answering and one that refuses every read.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/cli_checks.h"
#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"
#include "testbed/udp_peer.h"

namespace {

using cli_checks::CameraFacts;
using cli_checks::Json;
using testbed::Millis;
using testbed::ToolRun;

constexpr char kMac[] = "02:00:00:0a:0b:0c";
constexpr char kIp[] = "192.168.10.20";
const cli_checks::AdapterFacts kEth1{"eth1", "192.168.10.1", "255.255.255.0"};

CameraFacts cameraFacts(const std::string& mac, const std::string& ip, const std::string& serial,
                        const std::string& userName) {
  CameraFacts f;
  f.mac = mac;
  f.ip = ip;
  f.mask = "255.255.255.0";
  f.gateway = "0.0.0.0";
  f.adapter = kEth1;
  f.manufacturer = "Simulated Devices";  // the simulator's defaults
  f.model = "SIM-CAM-1";
  f.version = "1.0.0";
  f.info = "camera simulator";
  f.serial = serial;
  f.userName = userName;
  f.supported = {"persistent", "dhcp", "lla"};
  f.current = {"persistent", "lla"};
  return f;
}

// The camera most tests look at, every field its own.
CameraFacts mainFacts() {
  CameraFacts f = cameraFacts(kMac, kIp, "SN-0042", "left");
  f.gateway = "192.168.10.254";
  f.manufacturer = "Acme Optics";
  f.model = "GX-1";
  f.version = "3.1";
  f.info = "bench unit";
  f.current = {"dhcp", "lla"};
  return f;
}

testbed::CameraSpec specOf(const CameraFacts& f) {
  testbed::CameraSpec s;
  s.mac = f.mac;
  s.ip = f.ip;
  s.serial = f.serial;
  s.userName = f.userName;
  return s;
}

class CliShowEndToEnd : public testbed::LanTest {
 protected:
  CliShowEndToEnd() : LanTest("192.168.10.1/24") {}
  void SetUp() override {
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    testbed::CameraSpec main = specOf(mainFacts());
    main.gateway = "192.168.10.254";
    main.manufacturer = "Acme Optics";
    main.model = "GX-1";
    main.deviceVersion = "3.1";
    main.info = "bench unit";
    main.current = "6";
    main.persistentIp = "192.168.10.120";
    main.persistentMask = "255.255.255.0";
    start(main);
    start(specOf(cameraFacts("02:00:00:00:00:21", "192.168.10.21", "SN-0043", "right")));
    // Two cameras that share a serial number and a user-defined name.
    start(specOf(twin(0)));
    start(specOf(twin(1)));
  }
  static CameraFacts twin(int n) {
    return cameraFacts("02:00:00:00:00:2" + std::to_string(2 + n),
                       "192.168.10.2" + std::to_string(2 + n), "TWIN", "pair");
  }
  testbed::SimulatedCamera& start(const testbed::CameraSpec& setup) {
    sims_.push_back(std::make_unique<testbed::SimulatedCamera>(
        net_, sw_, "cam" + std::to_string(sims_.size()), setup));
    EXPECT_TRUE(sims_.back()->ready()) << sims_.back()->process().errors();
    return *sims_.back();
  }
  ToolRun show(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"show"};
    all.insert(all.end(), args.begin(), args.end());
    return testbed::runTool(host_, all);
  }
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> sims_;
};

TEST_F(CliShowEndToEnd, EverySelectorFormShowsTheSameCamera) {
  for (const char* selector : {"02:00:00:0a:0b:0c", "02:00:00:0A:0B:0C", "02-00-00-0A-0B-0C",
                               "02-00-00-0a-0b-0c", "SN-0042", "left", kIp}) {
    SCOPED_TRACE(selector);
    const ToolRun run = show({selector, "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    const Json camera = cli_checks::member(cli_checks::document(run.out), "camera");
    EXPECT_EQ(cli_checks::text(camera, "mac"), kMac) << run.out;
    EXPECT_EQ(cli_checks::text(camera, "serial"), "SN-0042") << run.out;
  }
}

TEST_F(CliShowEndToEnd, AnsweringAddressIsReadWithoutDiscoveryAndNothingIsWritten) {
  const ToolRun run = show({kIp, "--json", "--trace"});
  EXPECT_EQ(run.status, 0) << run.err;
  const Json doc = cli_checks::document(run.out);
  EXPECT_EQ(cli_checks::member(doc, "ok"), Json(true));
  const Json camera = cli_checks::member(doc, "camera");
  cli_checks::expectCamera(camera, mainFacts());
  EXPECT_EQ(cli_checks::member(camera, "persistent"),
            Json::parse(R"({"ip": "192.168.10.120", "mask": "255.255.255.0",
                            "gateway": "0.0.0.0"})"));
  EXPECT_EQ(cli_checks::member(camera, "heartbeat_timeout_ms"),
            Json(std::stoi(sims_[0]->status("heartbeat_timeout_ms"))));
  EXPECT_EQ(cli_checks::member(camera, "control"),
            Json::parse(R"({"ccp": 0, "held_by_other": false})"));
  const std::vector<std::string> trace = cli_checks::traceLines(run.err);
  EXPECT_EQ(cli_checks::countTrace(trace, {"DISCOVERY"}), 0u) << run.err;
  for (const auto& sim : sims_) EXPECT_EQ(sim->status("count_discovery"), "");
  // Every request the camera counted is a line of the trace, and none wrote.
  const size_t reads = cli_checks::countTrace(trace, {"gvcp send 192.168.10.20:3956 READ"});
  EXPECT_GT(reads, 0u) << run.err;
  const std::string regReads = std::to_string(cli_checks::countTrace(trace, {"READREG_CMD"}));
  EXPECT_TRUE(sims_[0]->waitForStatus("count_readreg", regReads, Millis(2000)))
      << sims_[0]->status("count_readreg") << " != " << regReads;
  const std::string memReads = std::to_string(cli_checks::countTrace(trace, {"READMEM_CMD"}));
  EXPECT_EQ(sims_[0]->status("count_readmem"), memReads == "0" ? "" : memReads);
  EXPECT_EQ(sims_[0]->status("count_writereg"), "");
  EXPECT_EQ(sims_[0]->status("count_writemem"), "");
}

// WRITEREG of CCP (0x0A00) = 2, control access, req_id 1, answer wanted.
const uint8_t kTakeControl[] = {0x42, 0x01, 0x00, 0x82, 0x00, 0x08, 0x00, 0x01,
                                0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x02};

TEST_F(CliShowEndToEnd, ControlHeldByAnotherHostIsShown) {
  const std::string other = net_.addHost("other");
  ASSERT_TRUE(net_.connect(other, "eth1", sw_, "192.168.10.2/24")) << net_.lastError();
  testbed::UdpPeer peer(other, "192.168.10.2");
  ASSERT_TRUE(peer.valid());
  ASSERT_TRUE(peer.sendTo(kIp, 3956, kTakeControl));
  ASSERT_TRUE(peer.receive(Millis(2000)).has_value());
  ASSERT_TRUE(sims_[0]->waitForStatus("ccp", "2", Millis(2000)));
  const ToolRun run = show({kIp, "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  const Json camera = cli_checks::member(cli_checks::document(run.out), "camera");
  EXPECT_EQ(cli_checks::member(camera, "control"),
            Json::parse(R"({"ccp": 2, "held_by_other": true})"))
      << run.out;
}

TEST_F(CliShowEndToEnd, TwoMatchingCamerasExitFourWithBothAsCandidates) {
  const ToolRun table = show({"TWIN"});
  EXPECT_EQ(table.status, 4) << table.err;
  EXPECT_EQ(table.out, "");
  for (int n : {0, 1})
    EXPECT_NE(cli_checks::lower(table.err).find(twin(n).mac), std::string::npos) << table.err;
  const ToolRun json = show({"pair", "--json"});
  EXPECT_EQ(json.status, 4) << json.err;
  const Json doc = cli_checks::document(json.out);
  cli_checks::expectError(doc, "ambiguous");
  const Json candidates = cli_checks::member(doc, "candidates");
  ASSERT_TRUE(candidates.is_array()) << json.out;
  ASSERT_EQ(candidates.size(), 2u) << json.out;
  const bool inOrder = cli_checks::text(candidates[0], "mac") == twin(0).mac;
  for (int n : {0, 1}) cli_checks::expectCamera(candidates[inOrder ? n : 1 - n], twin(n));
}

TEST_F(CliShowEndToEnd, NoMatchingCameraExitsThreeForEverySelectorForm) {
  for (const char* selector : {"02:00:00:00:00:99", "NOSUCH", "192.168.10.99"}) {
    SCOPED_TRACE(selector);
    const ToolRun run = show({selector, "--json"});
    EXPECT_EQ(run.status, 3) << run.err;
    cli_checks::expectError(cli_checks::document(run.out), "not_found");
  }
  const ToolRun table = show({"NOSUCH"});
  EXPECT_EQ(table.status, 3);
  EXPECT_EQ(table.out, "");
  EXPECT_NE(table.err, "");
}

TEST_F(CliShowEndToEnd, CameraThatStopsAnsweringAfterDiscoveryFailsTheShow) {
  testbed::Process tool(host_,
                        {testbed::binary("nuv-ipconfig"), "show", "SN-0043", "--json", "--trace"});
  tool.closeInput();
  const bool answered =
      tool.waitForError("gvcp recv 192.168.10.21:3956 DISCOVERY_ACK", Millis(10000));
  // From here on the camera hears nothing: stopped, not gone.
  ::kill(sims_[1]->process().pid(), SIGSTOP);
  const std::optional<int> status = tool.waitForExit(Millis(20000));
  ::kill(sims_[1]->process().pid(), SIGCONT);
  ASSERT_TRUE(answered) << tool.errors();
  EXPECT_EQ(status, 1) << tool.errors();
  cli_checks::expectError(cli_checks::document(tool.output()), "failed");
}

TEST_F(CliShowEndToEnd, CameraThatRefusesEveryReadFailsTheShow) {
  testbed::CameraSpec refusing =
      specOf(cameraFacts("02:00:00:00:00:30", "192.168.10.30", "SN-SHUT", "shut"));
  refusing.extraArgs = {"--foreign-control"};
  ASSERT_TRUE(start(refusing).ready());
  for (const char* selector : {"02:00:00:00:00:30", "192.168.10.30"}) {
    SCOPED_TRACE(selector);
    const ToolRun run = show({selector, "--json"});
    EXPECT_EQ(run.status, 1) << run.err;
    cli_checks::expectError(cli_checks::document(run.out), "failed");
  }
}

// No route leads from this host to the camera's subnet, so nothing answers
// a read there; one discovery finds the camera by its address.
TEST_F(CliShowEndToEnd, AddressThatDoesNotAnswerIsLookedUpByDiscovery) {
  testbed::CameraSpec far = specOf(cameraFacts("02:00:00:00:00:41", "10.77.0.41", "SN-FAR", "far"));
  far.mask = "255.255.0.0";
  ASSERT_TRUE(start(far).ready());
  const ToolRun run = show({"10.77.0.41", "--json", "--trace"});
  const std::vector<std::string> trace = cli_checks::traceLines(run.err);
  EXPECT_GT(cli_checks::countTrace(trace, {"gvcp send", "DISCOVERY_CMD"}), 0u) << run.err;
  EXPECT_GT(cli_checks::countTrace(trace, {"gvcp recv 10.77.0.41:3956 DISCOVERY_ACK"}), 0u)
      << run.err;
  // Found, but it does not answer this host: the operation fails (1), it is
  // not a missing camera (3).
  EXPECT_EQ(run.status, 1) << run.err;
  cli_checks::expectError(cli_checks::document(run.out), "failed");
}

// A MAC read listens by ordinary UDP first: the packet capture opens only for
// a camera UDP does not hear, here one outside the adapter's subnet.
TEST_F(CliShowEndToEnd, MacReadOpensACaptureOnlyForWhatUdpDoesNotHear) {
  testbed::CameraSpec far = specOf(cameraFacts("02:00:00:00:00:41", "10.77.0.41", "SN-FAR", "far"));
  far.mask = "255.255.0.0";
  ASSERT_TRUE(start(far).ready());
  for (const auto& [mac, status, captures] :
       {std::tuple{kMac, 0, 0u}, std::tuple{"02:00:00:00:00:41", 1, 1u}}) {
    const ToolRun run = show({mac, "--json", "--trace"});
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_EQ(testbed::countOf(run.err, "CAP_NET_RAW raised (packet socket)"), captures) << run.err;
  }
}

}  // namespace
