#include "cli/input/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "cli/input/camera_values.h"
#include "cli/output/table_render.h"
#include "fwupdate/sha256.h"

namespace cli {

namespace {

constexpr const char* kExamples = R"(Examples:
  nuv-ipconfig list                        every camera on every adapter but lo
  nuv-ipconfig list --json --interface eth1
  nuv-ipconfig list --timeout-ms 3000      listen three seconds
  nuv-ipconfig list --expect 4             stop listening once four cameras answered
  nuv-ipconfig show 02:11:22:33:44:55      by MAC (case-insensitive, ':' or '-')
  nuv-ipconfig show 192.168.10.11 --json   by address: read directly when it answers
  nuv-ipconfig show SN0001                 by serial number or user-defined name
  nuv-ipconfig rename 02:11:22:33:44:55 line3-left   write the user-defined name
  nuv-ipconfig restart 192.168.10.11 --wait-s 30   restart and wait for the camera
  nuv-ipconfig set SN0001 --mode persistent --ip 192.168.10.20 --mask 255.255.255.0 --restart
  nuv-ipconfig set 02:11:22:33:44:55 --mode dhcp     DHCP from the next start on
  nuv-ipconfig force-ip 02:11:22:33:44:55 --ip auto --mask 255.255.255.0
                                           a free address until the camera restarts
  nuv-ipconfig firmware SN0001 ./MODEL_1.2.bin --yes   upload, restart, show the new version
  nuv-ipconfig apply plan.csv --jobs 8     one row per camera: mac,mode,ip,mask,gateway,name
  nuv-ipconfig doctor                      why a camera cannot be seen or used, and the fix
  nuv-ipconfig watch --json --interval-s 2  events as JSON Lines, a discovery every 2 s
  nuv-ipconfig watch --textfile /var/lib/prometheus/node-exporter/nuv_gige.prom
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
  return problem ? "name '" + gvcp::tableSafe(name) + "' is " + *problem : "";
}

void addCamera(CLI::App& sub, Invocation& invocation) {
  sub.add_option("CAMERA", invocation.camera,
                 "MAC, serial number, user-defined name or IPv4 address")
      ->required();
}

void addWait(CLI::App& sub, int& waitS) {
  sub.add_option("--wait-s", waitS, "Longest wait for the camera to answer again (default 60)")
      ->type_name("N")
      ->check(CLI::Range(1, kMaxWaitS));
}

CLI::Option* addCheck(CLI::App& sub, Invocation& invocation) {
  return sub.add_flag("--check", invocation.check,
                      "Read the camera and say what would change; write nothing, take no control");
}

std::string checkIpMode(const std::string& text) {
  return cli::parseIpMode(text)
             ? ""
             : "mode '" + gvcp::tableSafe(text) + "' is not persistent, dhcp or lla";
}

// The address options as typed; set and force-ip check them after parsing,
// as a whole, so that the one error line names the value at fault.
struct AddressTexts {
  CLI::Option* ip = nullptr;
  std::string ipText, maskText, gatewayText;
};

void addAddresses(CLI::App& sub, AddressTexts& texts, const char* ipHelp) {
  texts.ip = sub.add_option("--ip", texts.ipText, ipHelp)->type_name("A");
  sub.add_option("--mask", texts.maskText, "Subnet mask, contiguous (e.g. 255.255.255.0)")
      ->type_name("M");
  sub.add_option("--gateway", texts.gatewayText,
                 "Default gateway in the address's subnet (default 0.0.0.0)")
      ->type_name("G");
}

// `--ip` and `--mask` of set: both or neither, and only for persistent IP.
std::string finishSetAddresses(const AddressTexts& texts, Invocation& invocation) {
  const bool anyGiven =
      !texts.ipText.empty() || !texts.maskText.empty() || !texts.gatewayText.empty();
  if (!anyGiven) return "";
  if (invocation.mode != cli::IpMode::kPersistent) {
    return "--ip, --mask and --gateway are only taken with --mode persistent";
  }
  if (texts.ipText.empty() || texts.maskText.empty()) return "--ip and --mask go together";
  const auto checked = cli::checkAddressSet({"--ip", texts.ipText}, {"--mask", texts.maskText},
                                            {"--gateway", texts.gatewayText});
  if (const auto* bad = std::get_if<cli::AddressProblem>(&checked)) return bad->message();
  invocation.addresses = std::get<cli::AddressSet>(checked);
  return "";
}

// force-ip takes an address or `auto`, always with a mask.
std::string finishForceIpAddresses(const AddressTexts& texts, Invocation& invocation) {
  invocation.autoIp = texts.ipText == "auto";
  const auto checked =
      invocation.autoIp
          ? cli::checkMaskAndGateway({"--mask", texts.maskText}, {"--gateway", texts.gatewayText})
          : cli::checkAddressSet({"--ip", texts.ipText}, {"--mask", texts.maskText},
                                 {"--gateway", texts.gatewayText});
  if (const auto* bad = std::get_if<cli::AddressProblem>(&checked)) return bad->message();
  invocation.addresses = std::get<cli::AddressSet>(checked);
  return "";
}

bool mentionsJson(int argc, const char* const* argv) {
  return std::any_of(argv + 1, argv + argc,
                     [](const char* a) { return std::string_view(a) == "--json"; });
}

// Every command with its own copy of the shared options.
struct CommandEntry {
  Command command;
  CLI::App* app;
  SharedOptions shared;
};

class CommandTable {
 public:
  explicit CommandTable(CLI::App& app) : app_(app) {}
  CLI::App& add(Command command, const char* name, const char* description,
                Invocation& invocation) {
    CLI::App* sub = app_.add_subcommand(name, description);
    entries_.push_back(std::make_unique<CommandEntry>(CommandEntry{command, sub, {}}));
    addShared(*sub, entries_.back()->shared);
    addTimeout(*sub, invocation.timeoutMs);
    return *sub;
  }
  const CommandEntry* parsed() const {
    for (const auto& entry : entries_)
      if (entry->app->parsed()) return entry.get();
    return nullptr;
  }
  std::string helpOfEach() const {
    std::string text;
    for (const auto& entry : entries_) text += entry->app->help("nuv-ipconfig") + "\n";
    return text;
  }

 private:
  CLI::App& app_;
  std::vector<std::unique_ptr<CommandEntry>> entries_;  // stable addresses for CLI11's bindings
};

struct Texts {
  AddressTexts setAddresses, forceIpAddresses;
  std::string mode;
};

void addCameraCommands(CommandTable& table, Invocation& invocation, Texts& texts) {
  table.add(Command::kList, "list", "List every camera that answers a discovery", invocation)
      .add_option("--expect", invocation.expect,
                  "End the window once N cameras (by MAC) have answered (default: the whole "
                  "window)")
      ->type_name("N")
      ->check(CLI::Range(1, kMaxExpect));
  table.add(Command::kDoctor, "doctor",
            "Say why a camera cannot be seen or used, and how to fix it (changes nothing)",
            invocation);
  addCamera(
      table.add(Command::kShow, "show", "Show one camera's identity and IP settings", invocation),
      invocation);
  CLI::App& rename = table.add(Command::kRename, "rename",
                               "Write a camera's user-defined name and read it back", invocation);
  addCamera(rename, invocation);
  rename.add_option("NAME", invocation.newName, "1 to 15 printable ASCII characters")
      ->required()
      ->check(CLI::Validator(checkUserName, ""));
  CLI::App& restart = table.add(Command::kRestart, "restart",
                                "Restart a camera and wait until it answers again", invocation);
  addCamera(restart, invocation);
  addWait(restart, invocation.waitS);
  CLI::App& set =
      table.add(Command::kSet, "set",
                "Set how a camera gets its address, read it back, optionally restart", invocation);
  addCamera(set, invocation);
  set.add_option("--mode", texts.mode, "persistent, dhcp or lla")
      ->type_name("MODE")
      ->required()
      ->check(CLI::Validator(checkIpMode, ""));
  addAddresses(set, texts.setAddresses,
               "Persistent address (with --mask; default: keep the camera's own)");
  CLI::Option* restartFlag =
      set.add_flag("--restart", invocation.restart, "Restart the camera so the mode takes effect");
  addWait(set, invocation.waitS);
  set.get_option("--wait-s")->needs(restartFlag);
  set.add_flag("--force", invocation.force, "Write a mode the camera does not list as supported");
  addCheck(set, invocation)->excludes(restartFlag);
  set.add_flag("--now", invocation.now,
               "With --mode persistent: also give the camera the address at once (FORCEIP)")
      ->excludes(restartFlag)
      ->excludes("--check");
}

void addUpdateCommands(CommandTable& table, Invocation& invocation, Texts& texts) {
  CLI::App& forceIp =
      table.add(Command::kForceIp, "force-ip",
                "Give a camera a temporary address (FORCEIP) and confirm it", invocation);
  addCamera(forceIp, invocation);
  addAddresses(forceIp, texts.forceIpAddresses,
               "The address, or auto: the first free one from the top of the adapter's subnet");
  texts.forceIpAddresses.ip->required();
  forceIp.get_option("--mask")->required();
  forceIp.add_flag("--force", invocation.force,
                   "Send even when another station answers ARP for the address");
  CLI::App& firmware = table.add(Command::kFirmware, "firmware",
                                 "Upload a firmware image to a camera and restart it", invocation);
  addCamera(firmware, invocation);
  firmware
      .add_option("IMAGE", invocation.imagePath,
                  "Firmware image; its file name must hold the model name")
      ->required()
      ->check(CLI::ExistingFile);
  firmware.add_flag("--yes", invocation.yes, "Do not ask for confirmation");
  firmware.add_flag("--dry-run", invocation.dryRun, "Stop after the checks; write nothing");
  firmware
      .add_option("--sha256", invocation.imageSha256,
                  "Program the image only when its SHA-256 is this one (64 hex digits)")
      ->type_name("HEX")
      ->transform(CLI::Validator(
          [](std::string& text) {
            const std::optional<std::string> digest = fwupdate::normalizedSha256(text);
            if (!digest) return std::string("not 64 hex digits: ") + text;
            text = *digest;
            return std::string();
          },
          "HEX"));
  CLI::App& apply =
      table.add(Command::kApply, "apply",
                "Apply a CSV plan (mac,mode,ip,mask,gateway,name) to many cameras", invocation);
  apply.add_option("FILE", invocation.planPath, "The plan, a CSV file with a header line")
      ->required()
      ->check(CLI::ExistingFile);
  apply.add_option("--jobs", invocation.jobs, "Cameras changed at once (default 8)")
      ->type_name("N")
      ->check(CLI::Range(1, kMaxJobs));
  addCheck(apply, invocation);
}

void addWatchCommand(CommandTable& table, Invocation& invocation) {
  CLI::App& watch = table.add(Command::kWatch, "watch",
                              "Watch the cameras over time: events as they happen, and metrics "
                              "for Prometheus (reads only)",
                              invocation);
  watch.add_option("--interval-s", invocation.intervalS, "Seconds between discoveries (default 5)")
      ->type_name("N")
      ->check(CLI::Range(kMinIntervalS, kMaxIntervalS));
  watch
      .add_option("--lost-after", invocation.lostAfter,
                  "Silent rounds in a row after which a camera is lost (default 3)")
      ->type_name("K")
      ->check(CLI::Range(1, kMaxLostAfter));
  watch
      .add_option("--textfile", invocation.textfile,
                  "Write the Prometheus metrics to this file after every round")
      ->type_name("PATH")
      ->check(CLI::NonexistentPath | CLI::ExistingFile);
}

// Checks that need several options at once; an error line or empty.
std::string finish(Command command, const Texts& texts, Invocation& invocation) {
  if (command == Command::kSet) {
    invocation.mode = cli::parseIpMode(texts.mode);
    if (invocation.now && invocation.mode != cli::IpMode::kPersistent) {
      return "--now is only taken with --mode persistent";
    }
    return finishSetAddresses(texts.setAddresses, invocation);
  }
  if (command == Command::kForceIp)
    return finishForceIpAddresses(texts.forceIpAddresses, invocation);
  return "";
}

}  // namespace

ParseOutcome parseCommandLine(int argc, const char* const* argv) {
  ParseOutcome outcome;
  outcome.json = mentionsJson(argc, argv);
  CLI::App app("Finds GigE Vision cameras and shows and changes their IP settings.",
               "nuv-ipconfig");
  app.set_version_flag("--version", std::string("nuv-ipconfig ") + NUV_VERSION);
  app.require_subcommand(1);
  SharedOptions top;
  Invocation invocation;
  Texts texts;
  addShared(app, top);
  CommandTable table(app);
  addCameraCommands(table, invocation, texts);
  addUpdateCommands(table, invocation, texts);
  addWatchCommand(table, invocation);
  // Built only when help is asked for: formatting every command's help is
  // most of the parse's work, and every run would pay for it. CLI11 ends a
  // footer built so with a line end of its own.
  app.footer([&table] {
    std::string footer = "\nCommands:\n\n" + table.helpOfEach() + kExamples;
    footer.pop_back();
    return footer;
  });
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
    const bool noCommand = table.parsed() == nullptr && !extras.empty();
    outcome.error = noCommand ? "unknown command '" + extras.front() + "'" : e.what();
    return outcome;
  }
  const CommandEntry& chosen = *table.parsed();
  invocation.command = chosen.command;
  outcome.error = finish(chosen.command, texts, invocation);
  if (!outcome.error.empty()) return outcome;
  for (const SharedOptions* s : std::array<const SharedOptions*, 2>{&top, &chosen.shared}) {
    invocation.json = invocation.json || s->json;
    invocation.trace = invocation.trace || s->trace;
    invocation.interfaces.insert(invocation.interfaces.end(), s->interfaces.begin(),
                                 s->interfaces.end());
  }
  outcome.invocation = invocation;
  return outcome;
}

}  // namespace cli
