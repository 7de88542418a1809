#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>

#include "cli/camera_values.h"
#include "cli/table_render.h"

namespace {

constexpr const char* kExamples = R"(Examples:
  nuv-ipconfig list                        every camera on every adapter but lo
  nuv-ipconfig list --json --interface eth1
  nuv-ipconfig list --timeout-ms 3000      listen three seconds
  nuv-ipconfig show 02:11:22:33:44:55      by MAC (case-insensitive, ':' or '-')
  nuv-ipconfig show 192.168.10.11 --json   by address: read directly when it answers
  nuv-ipconfig show SN0001                 by serial number or user-defined name
  nuv-ipconfig rename 02:11:22:33:44:55 line3-left   write the user-defined name
  nuv-ipconfig restart 192.168.10.11 --wait-s 30   restart and wait for the camera
  nuv-ipconfig --trace list                every GVCP datagram on stderr
  nuv-ipconfig                             without arguments: the interactive dialogue

Exit codes: 0 success, 1 the operation failed, 2 usage error (nothing sent),
3 no camera matched, 4 more than one camera matched, 5 packet-socket privilege
missing where it is needed, 130 interrupted by SIGINT or SIGTERM (control of the
camera given back first).
)";

// Both the top level and each command take the shared options, so they may
// stand before or after the command's name.
struct SharedOptions {
  bool json = false;
  bool trace = false;
  std::vector<std::string> interfaces;
};

std::string checkInterfaceName(const std::string& name) {
  if (name.empty()) return "an interface name must not be empty";
  if (name.size() > kMaxInterfaceName) {
    return "interface name '" + name + "' is longer than 15 characters";
  }
  return "";
}

void addShared(CLI::App& app, SharedOptions& shared) {
  app.add_flag("--json", shared.json, "Print exactly one JSON document on stdout");
  app.add_flag("--trace", shared.trace, "Print every GVCP datagram sent and received on stderr");
  app.add_option("--interface", shared.interfaces,
                 "Probe only this adapter (repeatable; default: every adapter but lo)")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->check(CLI::Validator(checkInterfaceName, ""));
}

void addTimeout(CLI::App& sub, int& timeoutMs) {
  sub.add_option("--timeout-ms", timeoutMs, "Discovery window in milliseconds (default 1000)")
      ->type_name("N")
      ->check(CLI::Range(kMinTimeoutMs, kMaxTimeoutMs));
}

std::string checkUserName(const std::string& name) {
  const std::optional<std::string> problem = cli::userNameProblem(name);
  return problem ? "name '" + tableSafe(name) + "' is " + *problem : "";
}

void addCamera(CLI::App& sub, Invocation& invocation) {
  sub.add_option("CAMERA", invocation.camera,
                 "MAC, serial number, user-defined name or IPv4 address")
      ->required();
}

bool mentionsJson(int argc, const char* const* argv) {
  return std::any_of(argv + 1, argv + argc,
                     [](const char* a) { return std::string_view(a) == "--json"; });
}

}  // namespace

ParseOutcome parseCommandLine(int argc, const char* const* argv) {
  ParseOutcome outcome;
  outcome.json = mentionsJson(argc, argv);
  CLI::App app("Finds GigE Vision cameras and shows their IP settings.", "nuv-ipconfig");
  app.set_version_flag("--version", std::string("nuv-ipconfig ") + NUV_VERSION);
  app.require_subcommand(1);
  SharedOptions top, listShared, showShared, renameShared, restartShared;
  Invocation invocation;
  addShared(app, top);
  CLI::App* list = app.add_subcommand("list", "List every camera that answers a discovery");
  addShared(*list, listShared);
  addTimeout(*list, invocation.timeoutMs);
  CLI::App* show = app.add_subcommand("show", "Show one camera's identity and IP settings");
  addShared(*show, showShared);
  addTimeout(*show, invocation.timeoutMs);
  addCamera(*show, invocation);
  CLI::App* rename =
      app.add_subcommand("rename", "Write a camera's user-defined name and read it back");
  addShared(*rename, renameShared);
  addTimeout(*rename, invocation.timeoutMs);
  addCamera(*rename, invocation);
  rename->add_option("NAME", invocation.newName, "1 to 15 printable ASCII characters")
      ->required()
      ->check(CLI::Validator(checkUserName, ""));
  CLI::App* restart = app.add_subcommand("restart", "Restart a camera and wait until it answers again");
  addShared(*restart, restartShared);
  addTimeout(*restart, invocation.timeoutMs);
  addCamera(*restart, invocation);
  restart->add_option("--wait-s", invocation.waitS, "Longest wait for the camera to answer again (default 60)")
      ->type_name("N")
      ->check(CLI::Range(1, kMaxWaitS));
  app.footer("\nCommands:\n\n" + list->help("nuv-ipconfig") + "\n" + show->help("nuv-ipconfig") +
             "\n" + rename->help("nuv-ipconfig") + "\n" + restart->help("nuv-ipconfig") + "\n" +
             kExamples);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    outcome.output = app.help();
    return outcome;
  } catch (const CLI::CallForVersion& e) {
    outcome.output = std::string(e.what()) + "\n";
    return outcome;
  } catch (const CLI::ParseError& e) {
    // A mistyped command is left over as an extra argument; name it.
    const std::vector<std::string> extras = app.remaining();
    const bool noCommand =
        !list->parsed() && !show->parsed() && !rename->parsed() && !restart->parsed() && !extras.empty();
    outcome.error = noCommand ? "unknown command '" + extras.front() + "'" : e.what();
    return outcome;
  }
  invocation.command = list->parsed()     ? Command::kList
                       : show->parsed()   ? Command::kShow
                       : rename->parsed() ? Command::kRename
                                          : Command::kRestart;
  const std::initializer_list<const SharedOptions*> shared = {&top, &listShared, &showShared,
                                                              &renameShared, &restartShared};
  for (const SharedOptions* s : shared) {
    invocation.json = invocation.json || s->json;
    invocation.trace = invocation.trace || s->trace;
    invocation.interfaces.insert(invocation.interfaces.end(), s->interfaces.begin(),
                                 s->interfaces.end());
  }
  outcome.invocation = invocation;
  return outcome;
}
