// Bad input to the command line, run in the test bed next to a camera: every
// malformed argument ends with one line on stderr that names it, exit 2, the
// same as a JSON document with --json, and not a datagram on the network (the
// camera counts none, and then counts exactly the requests a good run
// traces). Help and version print and send nothing either.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_one_camera.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::Json;
using testbed::Millis;
using testbed::ToolRun;

struct BadInput {
  std::vector<std::string> args;
  std::vector<std::string> names;  // the message names one of these (any case)
};

std::vector<BadInput> badInputs() {
  const std::string overlongName(40, 'n');
  return {
      {{"list", "--bogus"}, {"--bogus"}},
      {{"list", "--timeout-ms", "99"}, {"--timeout-ms"}},
      {{"list", "--timeout-ms", "60001"}, {"--timeout-ms"}},
      {{"list", "--timeout-ms", "ten"}, {"--timeout-ms"}},
      {{"show", "192.168.10.11", "--timeout-ms", "0"}, {"--timeout-ms"}},
      {{"list", "--interface", "nosuch0"}, {"nosuch0"}},
      {{"list", "--interface", ""}, {"--interface"}},
      {{"list", "--interface", "an-overlong-interface-name"}, {"--interface", "an-overlong"}},
      {{"--interface", "nosuch0", "list"}, {"nosuch0"}},
      {{"show"}, {"camera"}},
      {{"show", ""}, {"camera"}},
      {{"show", overlongName}, {"camera", overlongName}},
      {{"show", "192.168.10.256"}, {"192.168.10.256"}},
  };
}

std::string joined(const std::vector<std::string>& args) {
  std::string all;
  for (const std::string& a : args) all += "'" + a + "' ";
  return all;
}

class CliInputEndToEnd : public CliOneCameraTest {
 protected:
  // The camera has counted no request of any kind.
  void expectNothingCounted() {
    for (const auto& [key, value] : cam_->status()) {
      EXPECT_NE(key.rfind("count_", 0), 0u) << key << " " << value;
    }
  }
  // A good run afterwards: the camera counts exactly the discovery requests
  // it traces, so nothing sent earlier is still on its way.
  void expectCountsFollowAGoodRun() {
    const ToolRun good = run({"list", "--trace"});
    EXPECT_EQ(good.status, 0) << good.err;
    const size_t sent =
        cli_checks::countTrace(cli_checks::traceLines(good.err), {"gvcp send", "DISCOVERY_CMD"});
    ASSERT_GT(sent, 0u) << good.err;
    EXPECT_TRUE(cam_->waitForStatus("count_discovery", std::to_string(sent), Millis(2000)))
        << cam_->status("count_discovery") << " != " << sent;
  }
  // Exit 2 and one line naming the argument, also as a JSON document.
  void expectRefused(const BadInput& bad) {
    SCOPED_TRACE(joined(bad.args));
    const ToolRun plain = run(bad.args);
    EXPECT_EQ(plain.status, 2) << plain.err;
    EXPECT_EQ(plain.out, "");
    EXPECT_EQ(std::count(plain.err.begin(), plain.err.end(), '\n'), 1) << plain.err;
    EXPECT_TRUE(std::any_of(bad.names.begin(), bad.names.end(), [&](const std::string& name) {
      return cli_checks::lower(plain.err).find(cli_checks::lower(name)) != std::string::npos;
    })) << plain.err;
    std::vector<std::string> withJson = bad.args;
    withJson.push_back("--json");
    const ToolRun json = run(withJson);
    EXPECT_EQ(json.status, 2) << json.err;
    cli_checks::expectError(cli_checks::document(json.out), "usage");
    EXPECT_EQ(std::count(json.err.begin(), json.err.end(), '\n'), 1) << json.err;
  }
};

TEST_F(CliInputEndToEnd, BadArgumentsExitTwoWithOneLineNamingThemAndSendNothing) {
  for (const BadInput& bad : badInputs()) expectRefused(bad);
  expectNothingCounted();
  expectCountsFollowAGoodRun();
}

TEST_F(CliInputEndToEnd, UnknownCommandIsNamedInItsOneLineAndSendsNothing) {
  expectRefused({{"frobnicate"}, {"frobnicate"}});
  expectRefused({{"lst"}, {"lst"}});
  expectNothingCounted();
  expectCountsFollowAGoodRun();
}

TEST_F(CliInputEndToEnd, HelpNamesEveryCommandAndOptionWithExamplesAndVersionIsOneLine) {
  const ToolRun help = run({"--help"});
  EXPECT_EQ(help.status, 0) << help.err;
  for (const char* part :
       {"list", "show", "CAMERA", "--json", "--interface", "--timeout-ms", "--trace", "--version",
        "--help", "nuv-ipconfig list", "nuv-ipconfig show"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part << "\n" << help.out;
  }
  const ToolRun showHelp = run({"show", "--help"});
  EXPECT_EQ(showHelp.status, 0) << showHelp.err;
  for (const char* part : {"CAMERA", "--json", "--interface", "--timeout-ms"}) {
    EXPECT_NE(showHelp.out.find(part), std::string::npos) << part << "\n" << showHelp.out;
  }
  const ToolRun version = run({"--version"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_TRUE(std::regex_match(version.out, std::regex("nuv-ipconfig \\d+\\.\\d+(\\.\\d+)*\n")))
      << version.out;
  expectNothingCounted();
  expectCountsFollowAGoodRun();
}

}  // namespace
