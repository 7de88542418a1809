// A command's audit result: ok, partial (written, then failed) or failed.
#include "cli/camera/change_audit.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(ChangeAuditTest, ResultOfTheChange) {
  const CommandResult failed = failure(ExitCode::kFailed, "refused");
  EXPECT_EQ(auditResultOf({}, true), audit::Result::kOk);
  EXPECT_EQ(auditResultOf(failed, false), audit::Result::kFailed);
  EXPECT_EQ(auditResultOf(failed, true), audit::Result::kPartial) << "a later step failed";
}

}  // namespace
}  // namespace cli
