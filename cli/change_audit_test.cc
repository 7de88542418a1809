// A command's audit result: ok, partial (written, then failed) or failed.
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
  };
  for (const auto& c : cases) EXPECT_EQ(auditResultOf(c.result, c.written), c.expected);
}

}  // namespace
}  // namespace cli
