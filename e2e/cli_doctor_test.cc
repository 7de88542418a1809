// `nuv-ipconfig doctor` in the test bed. One fault at a time is planted in a
// fresh network of two adapters (eth1, eth2) with cameras behind each; doctor
// must name it on the right adapter with the right camera and fix, must not
// report that check on the other adapter in the same run, and must no longer
// report it once the fault is removed, by running the printed fix where there
// is one. A clean network reports nothing above info; without the
// packet-socket privilege the skipped checks are named.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::Json;
using cli_checks::text;

struct BedCamera {
  int lan;  // 0: behind eth1, 1: behind eth2
  std::string mac;
  std::string cidr;  // address/prefix
  std::vector<std::string> extraArgs = {};
};

// The network of one case: the host, its two switches and cameras.
struct Bed {
  testbed::Network net;
  std::string host;
  std::vector<std::string> switches;
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> cameras;
  std::unique_ptr<testbed::Process> holder;  // another application holding a camera

  bool addCamera(const BedCamera& c) {
    testbed::CameraSpec setup;
    setup.mac = c.mac;
    setup.ip = c.cidr.substr(0, c.cidr.find('/'));
    setup.mask = c.cidr.find("/16") != std::string::npos ? "255.255.0.0" : "255.255.255.0";
    setup.extraArgs = c.extraArgs;
    cameras.push_back(std::make_unique<testbed::SimulatedCamera>(
        net, switches[c.lan], "cam" + std::to_string(cameras.size()), setup));
    return cameras.back()->ready();
  }
  // Shell lines in the host namespace, this build's programs first on PATH.
  bool shell(const std::string& line) {
    const testbed::CommandResult r =
        testbed::runCommand(host, {"sh", "-c", "PATH=" + testbed::binary("") + ":$PATH; " + line},
                            testbed::Millis(30000));
    EXPECT_EQ(r.status, 0) << line << "\n" << r.output;
    return r.status == 0;
  }
};

using Step = std::function<bool(Bed&)>;
Step inHost(std::string line) {
  return [line](Bed& bed) { return bed.shell(line); };
}

// What doctor must report of a planted fault.
struct Blame {
  const char* check;
  const char* level;
  const char* adapter;    // the other adapter must not be blamed
  const char* camera;     // "" for none
  const char* fix;        // "" for none
  const char* says = "";  // a part of the message
};

struct PlantedFault {
  const char* name;
  std::vector<const char*> adapterCidrs;  // eth1, eth2
  std::vector<BedCamera> cameras;
  Step plant;
  Blame blame;
  Step removal;  // empty: run the fix
};

const std::vector<const char*> kTwoSubnets = {"192.168.10.1/24", "192.168.20.1/24"};
const BedCamera kCamA{0, "02:00:00:00:00:11", "192.168.10.11/24"};
const BedCamera kCamB{1, "02:00:00:00:00:22", "192.168.20.12/24"};

// Another application on this host takes control of the camera at 192.168.10.14
// (control access, so others may still read) and keeps it with its heartbeat.
bool holdCamera(Bed& bed) {
  bed.holder = std::make_unique<testbed::Process>(
      bed.host,
      std::vector<std::string>{testbed::binary("nuv_holder"), "192.168.10.14", "--control-only"});
  return bed.holder->waitForOutput("holding\n", testbed::Millis(5000));
}
bool releaseCamera(Bed& bed) { return bed.holder->terminate() == 0; }
bool nothing(Bed&) { return true; }

// clang-format off
const PlantedFault kFaults[] = {
    {"StrictReversePathFilter", kTwoSubnets,
     {kCamA, kCamB, {0, "02:00:00:00:00:77", "10.77.0.9/16"}, {1, "02:00:00:00:00:88", "10.88.0.9/16"}},
     inHost("sysctl -qw net.ipv4.conf.eth1.rp_filter=1"),
     {"rp_filter", "fail", "eth1", "02:00:00:00:00:77", "sysctl -w net.ipv4.conf.eth1.rp_filter=0"}, {}},
    {"FirewallDropsAnswersOnOneAdapter", kTwoSubnets, {kCamA, kCamB},
     inHost("nft 'add table inet nuvdoc; add chain inet nuvdoc input { type filter hook input priority 0; }; "
            "add rule inet nuvdoc input iifname \"eth1\" udp sport 3956 drop'"),
     {"firewall", "fail", "eth1", "02:00:00:00:00:11", ""}, inHost("nft delete table inet nuvdoc")},
    {"TwoCamerasOnOneAddress", kTwoSubnets, {kCamA, kCamB, {0, "02:00:00:00:00:33", "192.168.10.11/24"}},
     nothing,
     {"address_conflict", "fail", "eth1", "02:00:00:00:00:11",
      "nuv-ipconfig force-ip 02:00:00:00:00:11 --ip auto --mask 255.255.255.0"}, {}},
    {"TwoLinkLocalAdapters", {"169.254.1.1/16", "169.254.2.2/16"},
     {{0, "02:00:00:00:00:11", "169.254.10.11/16"}, {1, "02:00:00:00:00:22", "169.254.20.12/16"}},
     nothing,
     {"shared_subnet", "warn", "eth2", "02:00:00:00:00:22", "ip route replace 169.254.20.12/32 dev eth2"}, {}},
    {"CameraHeldByAnotherApplication", kTwoSubnets,
     {kCamA, kCamB, {0, "02:00:00:00:00:44", "192.168.10.14/24", {"--primary-app-registers"}}},
     holdCamera,
     {"control", "warn", "eth1", "02:00:00:00:00:44", "", "held by another application at 192.168.10.1 port "},
     releaseCamera},
    {"AdapterDown", kTwoSubnets, {kCamA, kCamB}, inHost("ip link set eth2 down"),
     {"link", "fail", "eth2", "", "ip link set eth2 up"}, {}},
};
// clang-format on

struct DoctorRun {
  int status = -1;
  Json checks;
  Json cameras;
  std::string out;
};

DoctorRun doctor(const std::string& host, const std::vector<std::string>& wrapper = {}) {
  const testbed::ToolRun run = testbed::runTool(host, {"doctor", "--json"}, wrapper);
  DoctorRun result{run.status.value_or(-1), Json(), Json(), run.out + run.err};
  const Json doc = cli_checks::document(run.out);
  result.checks = cli_checks::member(doc, "checks");
  result.cameras = cli_checks::member(doc, "cameras");
  // Exit 1 and "ok": false exactly when a check failed.
  bool failed = false;
  for (const Json& c : result.checks) failed = failed || text(c, "level") == "fail";
  EXPECT_EQ(result.status, failed ? 1 : 0) << result.out;
  EXPECT_EQ(cli_checks::member(doc, "ok"), Json(!failed)) << result.out;
  return result;
}

std::vector<Json> entriesOf(const DoctorRun& run, const std::string& check) {
  std::vector<Json> found;
  for (const Json& c : run.checks) {
    if (text(c, "check") == check && text(c, "level") != "ok") found.push_back(c);
  }
  return found;
}

Json orNull(const char* textOrEmpty) { return *textOrEmpty == '\0' ? Json() : Json(textOrEmpty); }

bool buildBed(Bed& bed, const std::vector<const char*>& cidrs, const std::vector<BedCamera>& cams) {
  bed.host = bed.net.addHost("host");
  for (size_t i = 0; i < cidrs.size(); ++i) {
    bed.switches.push_back(bed.net.addSwitch("sw" + std::to_string(i)));
    if (!bed.net.connect(bed.host, "eth" + std::to_string(i + 1), bed.switches[i], cidrs[i])) {
      ADD_FAILURE() << bed.net.lastError();
      return false;
    }
  }
  for (const BedCamera& camera : cams) {
    if (!bed.addCamera(camera)) return false;
  }
  return true;
}

TEST(CliDoctorEndToEnd, EachPlantedFaultIsFoundWhereItIsAndGoneOnceRemoved) {
  NUV_REQUIRE_TESTBED();
  for (const PlantedFault& fault : kFaults) {
    SCOPED_TRACE(fault.name);
    Bed bed;
    ASSERT_TRUE(buildBed(bed, fault.adapterCidrs, fault.cameras));
    ASSERT_TRUE(fault.plant(bed));
    const DoctorRun planted = doctor(bed.host);
    bool blamed = false;
    const Blame& want = fault.blame;
    for (const Json& entry : entriesOf(planted, want.check)) {
      const bool here = entry["adapter"] == Json(want.adapter);
      EXPECT_TRUE(here) << "another adapter blamed: " << entry.dump();
      if (!here || entry["camera"] != orNull(want.camera)) continue;
      blamed = true;
      EXPECT_EQ(text(entry, "level"), want.level) << entry.dump();
      EXPECT_EQ(entry["fix"], orNull(want.fix)) << entry.dump();
      EXPECT_NE(text(entry, "message").find(want.says), std::string::npos) << entry.dump();
    }
    EXPECT_TRUE(blamed) << planted.out;
    ASSERT_TRUE(fault.removal ? fault.removal(bed) : bed.shell(want.fix));
    const DoctorRun removed = doctor(bed.host);
    EXPECT_TRUE(entriesOf(removed, want.check).empty()) << removed.out;
  }
}

TEST(CliDoctorEndToEnd, CleanNetworkReportsNothingWrongAndWithoutPrivilegeNamesTheSkippedChecks) {
  NUV_REQUIRE_TESTBED();
  Bed bed;
  ASSERT_TRUE(buildBed(bed, kTwoSubnets, {kCamA, kCamB}));
  const DoctorRun clean = doctor(bed.host);
  for (const Json& c : clean.checks) {
    EXPECT_TRUE(text(c, "level") == "ok" || text(c, "level") == "info") << c.dump();
  }
  EXPECT_EQ(clean.cameras.size(), 2u) << clean.out;
  const testbed::ToolRun table = testbed::runTool(bed.host, {"doctor"});
  EXPECT_NE(table.out.find("no problem found with 2 cameras on 2 adapters\n"), std::string::npos)
      << table.out;

  const DoctorRun udpOnly = doctor(bed.host, cli_checks::kWithoutRaw);
  const std::vector<Json> privilege = entriesOf(udpOnly, "privilege");
  ASSERT_EQ(privilege.size(), 1u) << udpOnly.out;
  EXPECT_EQ(text(privilege[0], "fix"), "setcap cap_net_raw+p " + testbed::binary("nuv-ipconfig"));
  EXPECT_EQ(udpOnly.checks.dump().find(R"("check":"rp_filter")"), std::string::npos);
  EXPECT_EQ(udpOnly.checks.dump().find(R"("check":"firewall")"), std::string::npos);
  EXPECT_EQ(udpOnly.cameras.size(), 2u) << udpOnly.out;
}

}  // namespace
