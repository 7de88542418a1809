#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "cli/commands/commands.h"

namespace cli {

CommandResult runRename(const CommandContext& context) {
  StateRequest request;
  const Relocation found = findChangeable(context, readAheadInto(request.ahead));
  if (found.failure) return *found.failure;
  request.desired.name = context.invocation.newName;
  const CommandResult named =
      reachState(found.target, "camera at " + found.target.ip.text(), request, context.signals);
  return withTemporaryIp(withCamera(named, found.target), found);
}

}  // namespace cli
