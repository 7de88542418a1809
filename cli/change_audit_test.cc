// A command's audit result: ok, partial (written, then failed) or failed.
#include "cli/change_audit.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(ChangeAuditTest, ResultOfTheChange) {
  CommandResult failed = failure(ExitCode::kFailed, "refused");
  failed.data["done"] = nlohmann::ordered_json::array();  // nothing holds a new value
  EXPECT_EQ(auditResultOf({}, true), audit::Result::kOk);
  EXPECT_EQ(auditResultOf(failed, false), audit::Result::kFailed);
  EXPECT_EQ(auditResultOf(failed, true), audit::Result::kPartial) << "a later step failed";
  failed.data["done"] = {"persistent_ip"};
  EXPECT_EQ(auditResultOf(failed, false), audit::Result::kPartial);
}

}  // namespace
}  // namespace cli
