#include "cli/commands/rename_command.h"

#include <array>

#include "cli/camera_target.h"
#include "cli/control_session.h"
#include "cli/output/table_render.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"
#include "ipconfig/register_reads.h"

namespace {

using NameField = std::array<uint8_t, reg::kUserDefinedNameLen>;

NameField nameField(const std::string& name) {
  NameField field{};  // NUL after the name and in every byte behind it
  std::copy(name.begin(), name.end(), field.begin());
  return field;
}

}  // namespace

CommandResult writeUserName(Camera& camera, const std::string& address, const std::string& name) {
  NameField field = nameField(name);
  const gvcp::Status written = gvcp::Status::FromExchange(
      camera.writemem(reg::kUserDefinedName, field.data(), static_cast<int>(field.size())),
      "write of the user-defined name");
  if (!written.ok())
    return failure(ExitCode::kFailed, "camera at " + address + ": " + written.toString());
  NameField back{};
  const gvcp::Status read = readMemory(camera, reg::kUserDefinedName, back);
  if (!read.ok())
    return failure(ExitCode::kFailed, "camera at " + address + ": " + read.toString());
  if (back != field) {
    return failure(ExitCode::kFailed,
                   "camera at " + address + ": the user-defined name reads back as '" +
                       tableSafe(textField(back.data(), back.size())) + "', not '" + name + "'");
  }
  CommandResult result;
  result.data["camera"] = {{"ip", address}};
  result.data["user_name"] = name;
  result.text = "camera at " + address + ": user-defined name set to '" + name + "'\n";
  return result;
}

CommandResult runRename(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                        std::ostream& err) {
  return runUnderControl(invocation, selector, adapters, signals, err,
                         [&](ControlSession& session, const std::string& address) {
                           return writeUserName(session.camera(), address, invocation.newName);
                         });
}
