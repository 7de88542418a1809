#include "cli/commands/rename_command.h"

#include "cli/under_control.h"

namespace cli {

CommandResult runRename(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, const SignalGuard& signals,
                        std::ostream& err) {
  const TargetLookup lookup = findCamera(invocation, selector, adapters, err);
  if (!lookup.target) return lookup.failure;
  StateRequest request;
  request.desired.name = invocation.newName;
  CommandResult named =
      reachState(*lookup.target, "camera at " + lookup.target->address, request, &signals);
  nlohmann::ordered_json data = {{"camera", {{"ip", lookup.target->address}}}};
  data.update(named.data);
  named.data = std::move(data);
  return named;
}

}  // namespace cli
