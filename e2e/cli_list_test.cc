// `nuv-ipconfig list` run in the test bed over three adapters: cameras inside
// and outside their adapter's subnet, one without an address, one with a mask
// that is not contiguous. The JSON document checked member by member, the
// table row by row, the order (adapter name, then address as a number), runs
// that agree with each other, --interface, and a network without cameras.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::CameraFacts;
using cli_checks::Json;
using testbed::ToolRun;

const cli_checks::AdapterFacts kEth1{"eth1", "192.168.10.1", "255.255.255.0"};
const cli_checks::AdapterFacts kEth2{"eth2", "192.168.20.1", "255.255.255.0"};
const cli_checks::AdapterFacts kEth3{"eth3", "172.16.0.1", "255.255.0.0"};

// A camera of the bed: what it is told at start and what the tool must say.
struct BedCamera {
  CameraFacts facts;
  std::string currentBits;
  std::string supportedBits;
};

CameraFacts facts(const std::string& mac, const std::string& ip, const std::string& mask,
                  const cli_checks::AdapterFacts& adapter, const std::string& tag) {
  CameraFacts f;
  f.mac = mac;
  f.ip = ip;
  f.mask = mask;
  f.gateway = "0.0.0.0";
  f.adapter = adapter;
  f.manufacturer = "Maker " + tag;
  f.model = "GX-" + tag;
  f.version = "v" + tag;
  f.info = "info " + tag;
  f.serial = "SN-" + tag;
  f.userName = "name-" + tag;
  return f;
}

testbed::CameraSpec specOf(const BedCamera& c) {
  testbed::CameraSpec s;
  s.mac = c.facts.mac;
  s.ip = c.facts.ip;
  s.mask = c.facts.mask;
  if (c.facts.gateway != "0.0.0.0") s.gateway = c.facts.gateway;
  s.manufacturer = c.facts.manufacturer;
  s.model = c.facts.model;
  s.deviceVersion = c.facts.version;
  s.info = c.facts.info;
  s.serial = c.facts.serial;
  s.userName = c.facts.userName;
  s.current = c.currentBits;
  s.supported = c.supportedBits;
  return s;
}

// The bed's cameras in the order the tool must list them: by adapter name,
// then by address as a number (10.77.0.9 before 192.168.10.9 before
// 192.168.10.10, which text order would put first).
std::vector<BedCamera> bedCameras() {
  std::vector<BedCamera> all;
  BedCamera far{facts("02:00:00:00:10:77", "10.77.0.9", "255.255.0.0", kEth1, "F"), "", ""};
  far.facts.supported = {"persistent", "dhcp", "lla"};
  far.facts.current = {"persistent", "lla"};  // the simulator's default
  far.facts.reachable = false;
  all.push_back(far);
  BedCamera nine{facts("02:00:00:00:10:09", "192.168.10.9", "255.255.255.0", kEth1, "A9"), "1",
                 "5"};
  nine.facts.supported = {"persistent", "lla"};
  nine.facts.current = {"persistent"};
  all.push_back(nine);
  BedCamera ten{facts("02:00:00:00:10:0a", "192.168.10.10", "255.255.255.0", kEth1, "A10"), "6",
                "7"};
  ten.facts.gateway = "192.168.10.254";
  ten.facts.supported = {"persistent", "dhcp", "lla"};
  ten.facts.current = {"dhcp", "lla"};
  all.push_back(ten);
  // No address: its mask and gateway are whatever the camera reports.
  BedCamera none{facts("02:00:00:00:20:00", "0.0.0.0", "", kEth2, "Z"), "4", "7"};
  none.facts.supported = {"persistent", "dhcp", "lla"};
  none.facts.current = {"lla"};
  none.facts.reachable = false;
  all.push_back(none);
  BedCamera odd{facts("02:00:00:00:20:05", "192.168.20.5", "255.255.0.255", kEth2, "B5"), "2", "3"};
  odd.facts.supported = {"persistent", "dhcp"};
  odd.facts.current = {"dhcp"};
  all.push_back(odd);
  BedCamera top{facts("02:00:00:00:30:04", "172.16.3.4", "255.255.0.0", kEth3, "C"), "7", "7"};
  top.facts.supported = {"persistent", "dhcp", "lla"};
  top.facts.current = {"persistent", "dhcp", "lla"};
  all.push_back(top);
  return all;
}

class CliListEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    host_ = net_.addHost("host");
    // Created out of name order, so interface order cannot explain the result.
    const std::string swB = adapterOn("eth2", "192.168.20.1/24");
    const std::string swC = adapterOn("eth3", "172.16.0.1/16");
    const std::string swA = adapterOn("eth1", "192.168.10.1/24");
    cameras_ = bedCameras();
    const std::string switches[] = {swA, swA, swA, swB, swB, swC};
    // Started in reverse order, so arrival order cannot explain it either.
    for (size_t i = cameras_.size(); i-- > 0;) {
      sims_.push_back(std::make_unique<testbed::SimulatedCamera>(
          net_, switches[i], "cam" + std::to_string(i), specOf(cameras_[i])));
      ASSERT_TRUE(sims_.back()->ready()) << sims_.back()->process().errors();
    }
    std::reverse(sims_.begin(), sims_.end());
    // The camera without an address reports its own mask and gateway.
    cameras_[3].facts.mask = sims_[3]->status("mask");
    cameras_[3].facts.gateway = sims_[3]->status("gateway");
    ASSERT_FALSE(cameras_[3].facts.mask.empty());
  }

  std::string adapterOn(const std::string& ifname, const std::string& cidr) {
    const std::string sw = net_.addSwitch("sw" + ifname);
    EXPECT_TRUE(net_.connect(host_, ifname, sw, cidr)) << net_.lastError();
    return sw;
  }

  ToolRun list(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"list"};
    args.insert(args.end(), extra.begin(), extra.end());
    return testbed::runTool(host_, args);
  }

  testbed::Network net_;
  std::string host_;
  std::vector<BedCamera> cameras_;
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> sims_;
};

TEST_F(CliListEndToEnd, JsonHoldsEveryCameraMemberByMemberSortedByAdapterThenAddress) {
  const ToolRun run = list({"--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  const Json doc = cli_checks::document(run.out);
  EXPECT_EQ(cli_checks::member(doc, "ok"), Json(true)) << run.out;
  const Json cameras = cli_checks::member(doc, "cameras");
  ASSERT_TRUE(cameras.is_array()) << run.out;
  ASSERT_EQ(cameras.size(), cameras_.size()) << run.out;
  for (size_t i = 0; i < cameras_.size(); ++i) {
    cli_checks::expectCamera(cameras[i], cameras_[i].facts);
  }
}

// "192.168.10.9/24", or the dotted mask when it is not contiguous.
std::string addressColumn(const CameraFacts& f) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  std::sscanf(f.mask.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
  const uint32_t mask = (a << 24) | (b << 16) | (c << 8) | d;
  const int ones = std::countl_one(mask);
  const bool contiguous = ones == 32 || (mask << ones) == 0;
  return f.ip + "/" + (contiguous ? std::to_string(ones) : f.mask);
}

std::string modeColumn(const std::vector<std::string>& modes) {
  std::string joined;
  for (const std::string& m : modes) joined += (joined.empty() ? "" : "+") + m;
  return joined;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> all;
  std::istringstream in(line);
  for (std::string w; in >> w;) all.push_back(w);
  return all;
}

bool hasWord(const std::vector<std::string>& all, const std::string& word) {
  return std::find(all.begin(), all.end(), word) != all.end();
}

TEST_F(CliListEndToEnd, TableHasHeaderRowsInOrderMarksAndFootnoteAndRunsAgree) {
  const ToolRun run = list();
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> rows = cli_checks::lines(run.out);
  ASSERT_GE(rows.size(), cameras_.size() + 2) << run.out;
  EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(words(rows[0]).at(0)[0]))) << rows[0];
  for (size_t i = 0; i < cameras_.size(); ++i) {
    const CameraFacts& f = cameras_[i].facts;
    const std::vector<std::string> row = words(cli_checks::lower(rows[i + 1]));
    SCOPED_TRACE(rows[i + 1]);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row[0], std::to_string(i + 1));
    for (const std::string& column : {f.mac, addressColumn(f), f.adapter->name, f.model, f.serial,
                                      f.userName, modeColumn(f.current)}) {
      EXPECT_TRUE(hasWord(row, cli_checks::lower(column))) << column;
    }
    EXPECT_EQ(hasWord(row, "!"), !f.reachable);
  }
  // After the rows, a footnote explains the mark.
  EXPECT_TRUE(std::any_of(rows.begin() + static_cast<long>(cameras_.size()) + 1, rows.end(),
                          [](const std::string& line) { return line.find('!') != line.npos; }))
      << run.out;
  EXPECT_EQ(cli_checks::firstUnsafeByte(run.out), std::nullopt);
  const ToolRun again = list();
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, run.out);
}

TEST_F(CliListEndToEnd, InterfaceOptionDiscoversOnTheNamedAdaptersOnly) {
  const ToolRun run = list({"--json", "--interface", "eth3", "--interface", "eth2"});
  EXPECT_EQ(run.status, 0) << run.err;
  const Json cameras = cli_checks::member(cli_checks::document(run.out), "cameras");
  ASSERT_TRUE(cameras.is_array()) << run.out;
  ASSERT_EQ(cameras.size(), 3u) << run.out;
  for (size_t i = 0; i < 3; ++i) cli_checks::expectCamera(cameras[i], cameras_[i + 3].facts);
  // Not one request went out on eth1: its cameras counted none.
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sims_[i]->status("count_discovery"), "") << i;
  EXPECT_NE(sims_[3]->status("count_discovery"), "");
}

TEST_F(CliListEndToEnd, AdapterThatRefusesToSendCostsOnlyItsOwnCameras) {
  const testbed::CommandResult rule = testbed::runCommand(
      host_,
      {"nft", "add table inet nuvlist; add chain inet nuvlist output { type filter hook output "
              "priority 0; }; add rule inet nuvlist output oifname \"eth2\" udp dport 3956 drop"},
      testbed::Millis(30000));
  ASSERT_EQ(rule.status, 0) << rule.output;
  const ToolRun run = list({"--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("warning: sendto() error on adapter eth2, adapter skipped"),
            std::string::npos)
      << run.err;
  const Json cameras = cli_checks::member(cli_checks::document(run.out), "cameras");
  ASSERT_EQ(cameras.size(), 4u) << run.out;
  for (size_t i : {0, 1, 2}) cli_checks::expectCamera(cameras[i], cameras_[i].facts);
  cli_checks::expectCamera(cameras[3], cameras_[5].facts);
}

class CliListEmptyEndToEnd : public testbed::LanTest {
 protected:
  CliListEmptyEndToEnd() : LanTest("192.168.10.1/24") {}
};

TEST_F(CliListEmptyEndToEnd, NoCameraIsSuccessWithAnEmptyListAndANoteOnStderr) {
  const ToolRun json = testbed::runTool(host_, {"list", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(cli_checks::document(json.out), Json::parse(R"({"ok": true, "cameras": []})"));
  EXPECT_NE(json.err.find("no camera found"), std::string::npos) << json.err;
  const ToolRun table = testbed::runTool(host_, {"list"});
  EXPECT_EQ(table.status, 0) << table.err;
  EXPECT_LE(cli_checks::lines(table.out).size(), 1u) << table.out;
  EXPECT_NE(table.err.find("no camera found"), std::string::npos) << table.err;
}

// A second adapter on eth1's link, an alias address in another subnet or a
// macvlan beside it: the camera answers both and is listed once, reachable.
TEST_F(CliListEmptyEndToEnd, CameraHeardThroughTwoAdaptersOfOneLinkIsListedOnceAndReachable) {
  const std::vector<std::vector<std::vector<std::string>>> secondAdapters = {
      {{"ip", "addr", "add", "10.50.0.1/16", "dev", "eth1"}},
      {{"ip", "link", "add", "link", "eth1", "name", "mv1", "type", "macvlan", "mode", "bridge"},
       {"ip", "addr", "add", "192.168.10.2/24", "dev", "mv1"},
       {"ip", "link", "set", "mv1", "up"}},
  };
  testbed::CameraSpec setup;
  setup.mac = "02:00:00:00:10:42";
  setup.ip = "192.168.10.42";
  setup.mask = "255.255.255.0";
  testbed::SimulatedCamera camera(net_, sw_, "alias", setup);
  ASSERT_TRUE(camera.ready()) << camera.process().errors();
  for (const auto& commands : secondAdapters) {
    for (const auto& command : commands) {
      const testbed::CommandResult made = testbed::runCommand(host_, command);
      ASSERT_EQ(made.status, 0) << made.output;
    }
    const ToolRun run = testbed::runTool(host_, {"list", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    const Json cameras = cli_checks::member(cli_checks::document(run.out), "cameras");
    ASSERT_EQ(cameras.size(), 1u) << run.out;
    EXPECT_EQ(cameras[0]["reachable"], true) << run.out;
  }
}

}  // namespace
