// The journal fields of a change record: a failed change through sudo and a
// firmware update, the optional fields only when set, one readable line.
#include "audit/change_record.h"

#include <gtest/gtest.h>

#include <map>

namespace audit {
namespace {

std::map<std::string, std::string> fieldsOf(const ChangeRecord& record, const Actor& actor) {
  std::map<std::string, std::string> fields;
  for (const auto& [key, value] : journalFields(record, actor)) fields[key] = value;
  return fields;
}

TEST(ChangeRecordTest, FailedSetThroughSudoCarriesEveryFieldAndWarns) {
  const std::vector<SettingChange> changes = {{"mode", "dhcp", "persistent"},
                                              {"persistent_ip", "0.0.0.0", "10.0.0.9"}};
  const ChangeRecord record{Action::kSet,
                            Result::kPartial,
                            "02:00:00:00:00:11",
                            "192.168.10.11",
                            "eth1",
                            changes,
                            "",
                            "write of\nregister 0x14 refused"};
  const std::map<std::string, std::string> expected = {
      {"MESSAGE",
       "set of camera 02:00:00:00:00:11 at 192.168.10.11 on eth1 by root (sudo from ann): "
       "mode=dhcp->persistent,persistent_ip=0.0.0.0->10.0.0.9; partial: write of register 0x14 "
       "refused"},
      {"PRIORITY", "4"},
      {"NUV_CHANGES", "mode=dhcp->persistent,persistent_ip=0.0.0.0->10.0.0.9"},
      {"NUV_RESULT", "partial"},
      {"NUV_SUDO_USER", "ann"},
  };
  std::map<std::string, std::string> fields = fieldsOf(record, {0, "root", "ann"});
  for (const auto& [key, value] : expected) EXPECT_EQ(fields[key], value) << key;
  EXPECT_EQ(fields.size(), 12u);
}

TEST(ChangeRecordTest, FirmwareUpdateIsANoticeWithTheImageDigestAndNoSudoUser) {
  const auto fields =
      fieldsOf({Action::kFirmware, Result::kOk, "", "", "", {}, "ab12", ""}, {1000, "ann", ""});
  EXPECT_EQ(fields.at("PRIORITY") + fields.at("NUV_IMAGE_SHA256"), "5ab12");
  EXPECT_EQ(fields.count("NUV_SUDO_USER"), 0u);
}

}  // namespace
}  // namespace audit
