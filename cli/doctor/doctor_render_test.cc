#include "cli/doctor/doctor_render.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

const std::vector<diagnosis::Finding> kMixed = {
    {"link", diagnosis::Level::kFail, "eth2", "", "eth2 is down", "ip link set eth2 up"},
    {"control", diagnosis::Level::kWarn, "eth1", "02:00:00:00:00:11", "held\x1b[2J", ""},
    {"subnet", diagnosis::Level::kOk, "", "", "every camera is in its adapter's subnet", ""},
};

TEST(DoctorRender, TableShowsFindingsAboveOkWithTheFixBelowAndNothingElse) {
  EXPECT_EQ(doctorTable(kMixed, 1, 2),
            "LEVEL  CHECK    ADAPTER  CAMERA             FINDING\n"
            "fail   link     eth2     -                  eth2 is down\n"
            "                                            fix: ip link set eth2 up\n"
            "warn   control  eth1     02:00:00:00:00:11  held?[2J\n");
}

TEST(DoctorRender, NothingWrongIsOneLine) {
  EXPECT_EQ(doctorTable({kMixed[2]}, 1, 2), "no problem found with 1 camera on 2 adapters\n");
}

TEST(DoctorRender, JsonHasEveryEntryWithNullsForWhatItDoesNotName) {
  const nlohmann::ordered_json checks = checksJson(kMixed);
  ASSERT_EQ(checks.size(), 3u);
  EXPECT_EQ(checks[0].dump(), R"({"check":"link","level":"fail","adapter":"eth2","camera":null,)"
                              R"("message":"eth2 is down","fix":"ip link set eth2 up"})");
  EXPECT_TRUE(checks[1]["fix"].is_null());
  EXPECT_EQ(checks[2]["level"], "ok");
}

}  // namespace
}  // namespace cli
