#include "audit/change_record.h"

#include <pwd.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdlib>

namespace audit {

namespace {

constexpr size_t kNameBufferBytes = 4096;

std::string userName(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::string buffer(kNameBufferBytes, '\0');
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return std::to_string(uid);
}

// A camera's or a peer's text on one line: control bytes become spaces.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return text;
}

std::string changesText(const std::vector<SettingChange>& changes) {
  std::string text;
  for (const SettingChange& c : changes) {
    text += (text.empty() ? "" : ",") + c.setting + "=" + c.from + "->" + c.to;
  }
  return oneLine(text);
}

}  // namespace

Actor processActor() {
  const uid_t uid = ::getuid();
  const char* sudo = std::getenv("SUDO_USER");
  return {uid, userName(uid), sudo != nullptr ? sudo : ""};
}

const char* actionName(Action action) {
  switch (action) {
    case Action::kSet:
      return "set";
    case Action::kForceIp:
      return "force_ip";
    case Action::kRename:
      return "rename";
    case Action::kRestart:
      return "restart";
    case Action::kFirmware:
      return "firmware";
    case Action::kTemporaryAddress:
      return "temporary_address";
  }
  return "set";  // not reached: every action is above
}

const char* resultName(Result result) {
  switch (result) {
    case Result::kOk:
      return "ok";
    case Result::kFailed:
      return "failed";
    case Result::kPartial:
      return "partial";
  }
  return "failed";  // not reached
}

int priorityOf(const ChangeRecord& record) {
  return record.result == Result::kOk ? LOG_NOTICE : LOG_WARNING;
}

std::string messageOf(const ChangeRecord& record, const Actor& actor) {
  std::string text = std::string(actionName(record.action)) + " of camera " + record.cameraMac +
                     " at " + record.cameraIp;
  if (!record.adapter.empty()) text += " on " + record.adapter;
  text += " by " + actor.user;
  if (!actor.sudoUser.empty()) text += " (sudo from " + actor.sudoUser + ")";
  if (!record.changes.empty()) text += ": " + changesText(record.changes);
  text += std::string("; ") + resultName(record.result);
  if (!record.failure.empty()) text += ": " + oneLine(record.failure);
  return text;
}

std::vector<Field> journalFields(const ChangeRecord& record, const Actor& actor) {
  std::vector<Field> fields = {
      {"MESSAGE", messageOf(record, actor)},
      {"PRIORITY", std::to_string(priorityOf(record))},
      {"SYSLOG_IDENTIFIER", "nuv-ipconfig"},
      {"NUV_ACTION", actionName(record.action)},
      {"NUV_CAMERA_MAC", record.cameraMac},
      {"NUV_CAMERA_IP", record.cameraIp},
      {"NUV_ADAPTER", record.adapter},
      {"NUV_CHANGES", changesText(record.changes)},
      {"NUV_RESULT", resultName(record.result)},
      {"NUV_UID", std::to_string(actor.uid)},
      {"NUV_USER", actor.user},
  };
  if (!actor.sudoUser.empty()) fields.emplace_back("NUV_SUDO_USER", actor.sudoUser);
  if (!record.imageSha256.empty()) fields.emplace_back("NUV_IMAGE_SHA256", record.imageSha256);
  return fields;
}

}  // namespace audit
