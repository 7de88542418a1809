// The journal fields of a change record: every field of a failed change and
// of a firmware update, the optional ones only when set, one readable line.
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
  const ChangeRecord record{Action::kSet,
                            Result::kPartial,
                            "02:00:00:00:00:11",
                            "192.168.10.11",
                            "eth1",
                            {{"mode", "dhcp", "persistent"}, {"persistent_ip", "0.0.0.0", "10.0.0.9"}},
                            "",
                            "write of\nregister 0x14 refused"};
  const std::map<std::string, std::string> expected = {
      {"MESSAGE",
       "set of camera 02:00:00:00:00:11 at 192.168.10.11 on eth1 by root (sudo from ann): "
       "mode=dhcp->persistent,persistent_ip=0.0.0.0->10.0.0.9; partial: write of register 0x14 "
       "refused"},
      {"PRIORITY", "4"},
      {"SYSLOG_IDENTIFIER", "nuv-ipconfig"},
      {"NUV_ACTION", "set"},
      {"NUV_CAMERA_MAC", "02:00:00:00:00:11"},
      {"NUV_CAMERA_IP", "192.168.10.11"},
      {"NUV_ADAPTER", "eth1"},
      {"NUV_CHANGES", "mode=dhcp->persistent,persistent_ip=0.0.0.0->10.0.0.9"},
      {"NUV_RESULT", "partial"},
      {"NUV_UID", "0"},
      {"NUV_USER", "root"},
      {"NUV_SUDO_USER", "ann"},
  };
  EXPECT_EQ(fieldsOf(record, {0, "root", "ann"}), expected);
}

TEST(ChangeRecordTest, FirmwareUpdateIsANoticeWithTheImageDigestAndNoSudoUser) {
  ChangeRecord record;
  record.action = Action::kFirmware;
  record.imageSha256 = "ab12";
  const auto fields = fieldsOf(record, {1000, "ann", ""});
  EXPECT_EQ(fields.at("PRIORITY"), "5");
  EXPECT_EQ(fields.at("NUV_ACTION"), "firmware");
  EXPECT_EQ(fields.at("NUV_IMAGE_SHA256"), "ab12");
  EXPECT_EQ(fields.count("NUV_SUDO_USER"), 0u);
}

}  // namespace
}  // namespace audit
