#include "cli/commands/rename_command.h"

#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "net/macaddress.h"

namespace cli {

CommandResult runRename(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                        std::ostream& err) {
  StateRequest request;
  const Relocation found =
      findChangeable(invocation, selector, adapters, signals, err, readAheadInto(request.ahead));
  if (found.failure) return *found.failure;
  request.desired.name = invocation.newName;
  const std::string& address = found.target.address;
  CommandResult named = reachState(found.target, "camera at " + address, request, &signals);
  nlohmann::ordered_json data = {
      {"camera", {{"mac", net::macText(found.target.mac)}, {"ip", address}}}};
  data.update(named.data);
  named.data = std::move(data);
  return withTemporaryIp(std::move(named), found);
}

}  // namespace cli
