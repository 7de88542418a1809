// How a command's result becomes its audit record: ok, partial (some settings
// written before the failure) or failed, and the camera's adapter.
#include "cli/change_audit.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(ChangeAuditTest, ResultOfTheChange) {
  CommandResult partial = failure(ExitCode::kFailed, "refused");
  partial.data["done"] = {"persistent_ip"};
  CommandResult none = failure(ExitCode::kFailed, "refused");
  none.data["done"] = nlohmann::ordered_json::array();
  const struct {
    CommandResult result;
    bool written;
    audit::Result expected;
  } cases[] = {
      {CommandResult{}, true, audit::Result::kOk},
      {partial, false, audit::Result::kPartial},
      {none, false, audit::Result::kFailed},
      {none, true, audit::Result::kPartial},  // a restart failed after the change
      {interrupted(), false, audit::Result::kFailed},
  };
  for (const auto& c : cases) EXPECT_EQ(auditResultOf(c.result, c.written), c.expected);
}

TEST(ChangeAuditTest, RecordNamesTheCameraItsInterfaceAndWhyItFailed) {
  const CameraTarget target{0, "10.1.2.3", std::nullopt, {0x02, 0xAB, 0, 0, 0, 0x11}, "eth7"};
  const audit::ChangeRecord record = changeRecordOf(
      audit::Action::kRename, target, failure(ExitCode::kFailed, "no answer"), false,
      {{"user_name", "a", "b"}});
  EXPECT_EQ(record.cameraMac, "02:ab:00:00:00:11");
  EXPECT_EQ(record.cameraIp, "10.1.2.3");
  EXPECT_EQ(record.adapter, "eth7");
  EXPECT_EQ(record.failure, "no answer");
  ASSERT_EQ(record.changes.size(), 1u);
  EXPECT_EQ(record.changes[0].to, "b");
}

}  // namespace
}  // namespace cli
