// The Ansible collection nuv.gige end to end: ansible-playbook runs the role
// nuv.gige.cameras against the local host inside the host namespace, with the
// collection from the source tree and the built nuv-ipconfig as the tool. The
// play directory and the network go with the test.
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_fixture.h"

namespace {

using nlohmann::json;

constexpr char kCameraMac[] = "02:00:00:00:00:11";
const std::pair<std::string, std::string> kNoWrites;

struct PlayRun {
  int status = -1;
  std::string out;   // stdout, then stderr
  int changed = -1;  // the play recap's count; -1 when there is none
};

class AnsibleEndToEnd : public CliEndToEnd {
 protected:
  AnsibleEndToEnd() : CliEndToEnd("192.168.10.1/24") {}
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // The role over localhost alone, planning `cameras`; `flags` go to
  // ansible-playbook.
  PlayRun play(const json& cameras, std::vector<std::string> flags = {}) {
    dir_ = "/tmp/nuv-ansible-" + net->prefix();
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ + "/play.yml") << "- hosts: all\n  gather_facts: false\n"
                                         "  roles: [nuv.gige.cameras]\n";
    const json vars = {{"ansible_python_interpreter", "{{ ansible_playbook_python }}"},
                       {"nuv_gige_executable", testbed::binary("nuv-ipconfig")},
                       {"nuv_gige_interfaces", json::array({"eth1"})},
                       {"nuv_gige_plan", cameras}};
    flags.insert(flags.begin(), {"ansible-playbook", "-i", "localhost,", "-c", "local", "-e",
                                 vars.dump(), dir_ + "/play.yml"});
    testbed::Process run(
        host, flags,
        {"ANSIBLE_COLLECTIONS_PATH=" + testbed::source("ansible"), "ANSIBLE_NOCOLOR=1",
         "ANSIBLE_LOCAL_TEMP=" + dir_, "ANSIBLE_REMOTE_TEMP=" + dir_});
    PlayRun result;
    result.status = run.waitForExit(kToolBound * 4).value_or(-1);  // ansible starts slowly
    result.out = run.output() + run.errors();
    static const std::regex kRecap(R"(localhost\s+: ok=\d+\s+changed=(\d+))");
    std::smatch count;
    if (std::regex_search(result.out, count, kRecap)) result.changed = std::stoi(count[1]);
    return result;
  }
  // The simulator's counts of register and memory writes ("" for none).
  std::pair<std::string, std::string> writes() const {
    return {camera->status("count_writereg"), camera->status("count_writemem")};
  }

 private:
  std::string dir_;
};

// Check mode shows the diff and writes nothing; a run writes and reports the
// change; a repeat writes nothing, reports no change, and fails for a camera
// that nobody answers for with the tool's message.
TEST_F(AnsibleEndToEnd, CheckThenRunThenRepeatWithAMissingCamera) {
  testbed::CameraSpec setup;
  setup.mac = kCameraMac;
  setup.ip = "192.168.10.11";
  setup.userName = "old";
  setup.current = "4";  // LLA
  startCamera(setup);
  const json planned = {{"mac", kCameraMac},         {"mode", "persistent"},
                        {"ip", "192.168.10.50"},     {"mask", "255.255.255.0"},
                        {"gateway", "192.168.10.1"}, {"name", "line3-left"}};
  const PlayRun check = play(json::array({planned}), {"--check", "--diff"});
  EXPECT_EQ(std::make_pair(check.status, check.changed), std::make_pair(0, 1)) << check.out;
  for (const char* line : {R"(-    "mode": "lla")", R"(+    "persistent_ip": "192.168.10.50")"})
    EXPECT_NE(check.out.find(line), std::string::npos) << line << " not in\n" << check.out;
  ASSERT_EQ(writes(), kNoWrites);

  const PlayRun first = play(json::array({planned}));
  EXPECT_EQ(std::make_pair(first.status, first.changed), std::make_pair(0, 1)) << first.out;
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.10.50");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.255.0");
  EXPECT_EQ(camera->persisted("persistent_gateway"), "192.168.10.1");
  EXPECT_EQ(camera->persisted("user_name_hex"), cli_checks::hexOf("line3-left"));
  const auto written = writes();
  ASSERT_NE(written, kNoWrites);

  const PlayRun again =
      play(json::array({planned, {{"mac", "02:00:00:00:00:99"}, {"mode", "dhcp"}}}));
  EXPECT_EQ(std::make_pair(again.status, again.changed), std::make_pair(2, 0)) << again.out;
  for (const char* part :
       {": no camera 02:00:00:00:00:99 answered the discovery\"", R"("code": "not_found")"})
    EXPECT_NE(again.out.find(part), std::string::npos) << part << " not in\n" << again.out;
  EXPECT_EQ(writes(), written);
}

}  // namespace
