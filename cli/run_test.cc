#include "cli/run.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace cli {

namespace {

// Only arguments rejected before any adapter is looked at are run here: the
// unit tests never reach the network.
struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

Outcome run(std::vector<const char*> args) {
  args.insert(args.begin(), "nuv-ipconfig");
  std::ostringstream out, err;
  Outcome r;
  r.code = runCommandLine(static_cast<int>(args.size()), args.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(RunCommandLine, UsageErrorWithJsonIsOneDocumentAndOneLine) {
  const Outcome r = run({"list", "--json", "--timeout-ms", "99"});
  EXPECT_EQ(r.code, 2);
  ASSERT_EQ(r.out.back(), '\n');
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);  // one line, one document
  const auto document = nlohmann::json::parse(r.out);
  EXPECT_EQ(document["ok"], false);
  EXPECT_EQ(document["error"]["code"], "usage");
  EXPECT_NE(document["error"]["message"].get<std::string>().find("--timeout-ms"),
            std::string::npos);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}

TEST(RunCommandLine, BadCameraAddressIsAUsageErrorWithoutJsonOnStdout) {
  const Outcome r = run({"show", "192.168.1.256"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("192.168.1.256"), std::string::npos) << r.err;
}

TEST(RunCommandLine, OverlongCameraNameIsAUsageError) {
  const Outcome r = run({"show", "--json", "name-longer-than-16"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(nlohmann::json::parse(r.out)["error"]["code"], "usage");
}

TEST(RunCommandLine, VersionAndHelpGoToStdoutWithSuccess) {
  const Outcome version = run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("nuv-ipconfig ") + NUV_VERSION + "\n");
  EXPECT_TRUE(version.err.empty());
  const Outcome help = run({"list", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--timeout-ms"), std::string::npos);
}

}  // namespace

}  // namespace cli
