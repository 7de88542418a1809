#include "cli/commands/rename_command.h"

#include "cli/camera_changes.h"
#include "cli/under_control.h"

namespace cli {

CommandResult runRename(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                        std::ostream& err) {
  return runUnderControl(invocation, selector, adapters, signals, err,
                         [&](device::CameraSession& session, const std::string& address) {
                           const CommandResult named = cli::writeUserName(
                               session.camera(), "camera at " + address, invocation.newName);
                           if (named.code != ExitCode::kOk) return named;
                           CommandResult result = named;
                           result.data = {{"camera", {{"ip", address}}}};
                           result.data.update(named.data);
                           return result;
                         });
}

}  // namespace cli
