// A change made to a camera as the audit trail keeps it: what was done, to
// which camera through which adapter, each setting from and to, how it ended
// and who ran the tool. journalFields turns one into the journal's fields
// (KEY, value), MESSAGE first. Plain values and pure functions; any thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace audit {

enum class Action { kSet, kForceIp, kRename, kRestart, kFirmware, kTemporaryAddress };
// kPartial: the change failed after some settings were written.
enum class Result { kOk, kFailed, kPartial };

struct SettingChange {
  std::string setting;
  std::string from;
  std::string to;
};

struct ChangeRecord {
  Action action = Action::kSet;
  Result result = Result::kOk;
  std::string cameraMac;  // lower case
  std::string cameraIp;   // where the command reached it
  std::string adapter;    // empty when the address answered directly
  std::vector<SettingChange> changes;
  std::string imageSha256;  // firmware only
  std::string failure;      // why it failed, when it did
};

// The user the tool runs for: its real uid and name, and the one sudo names.
struct Actor {
  unsigned uid = 0;
  std::string user;
  std::string sudoUser;  // empty when not run through sudo
};
Actor processActor();

// "set", "force_ip", "rename", "restart", "firmware", "temporary_address".
const char* actionName(Action action);
// "ok", "failed", "partial".
const char* resultName(Result result);
// syslog priorities: notice for a change, warning for a failure.
int priorityOf(const ChangeRecord& record);
// One readable line.
std::string messageOf(const ChangeRecord& record, const Actor& actor);

using Field = std::pair<std::string, std::string>;
// MESSAGE, PRIORITY, SYSLOG_IDENTIFIER and the NUV_ fields; NUV_SUDO_USER and
// NUV_IMAGE_SHA256 only when set.
std::vector<Field> journalFields(const ChangeRecord& record, const Actor& actor);

}  // namespace audit
