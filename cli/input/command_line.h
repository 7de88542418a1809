// Parsing the command line into an Invocation (CLI11). Nothing is sent and no
// adapter is looked at here: a malformed argument is a usage error. Help and
// version requests come back as text for stdout. Pure but for CLI11's own
// allocations.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"

namespace cli {

enum class Command {
  kList,
  kShow,
  kRename,
  kRestart,
  kSet,
  kForceIp,
  kFirmware,
  kApply,
  kDoctor,
  kWatch
};

// The default listening window of a discovery and its accepted range.
inline constexpr int kDefaultTimeoutMs = 1000;
inline constexpr int kMinTimeoutMs = 100;
inline constexpr int kMaxTimeoutMs = 60000;
// How long restart waits for the camera to answer again, and its range.
inline constexpr int kDefaultWaitS = 60;
inline constexpr int kMaxWaitS = 3600;
// list --expect: the largest count of cameras it takes.
inline constexpr int kMaxExpect = 100000;
// How many cameras apply changes at once, and its range.
inline constexpr int kDefaultJobs = 8;
inline constexpr int kMaxJobs = 64;
// watch: seconds between rounds, and the silent rounds after which a camera is lost.
inline constexpr double kDefaultIntervalS = 5;
inline constexpr double kMinIntervalS = 0.2;
inline constexpr double kMaxIntervalS = 3600;
inline constexpr int kDefaultLostAfter = 3;
inline constexpr int kMaxLostAfter = 100000;
// Longest interface name the kernel takes (IFNAMSIZ less the terminator).
inline constexpr size_t kMaxInterfaceName = 15;

struct Invocation {
  Command command = Command::kList;
  bool json = false;
  bool trace = false;
  std::vector<std::string> interfaces;  // empty: every adapter but lo
  int timeoutMs = kDefaultTimeoutMs;
  int expect = 0;       // list --expect: the window ends once this many cameras answered; 0: never
  std::string camera;   // the CAMERA selector, unparsed
  std::string newName;  // rename's NAME, checked
  int waitS = kDefaultWaitS;        // restart, set --restart
  std::optional<cli::IpMode> mode;  // set --mode
  // set: --ip/--mask[/--gateway] when given (only with --mode persistent);
  // force-ip: always. With autoIp the ip is 0 and the gateway only parsed:
  // cli::gatewayProblem judges it once the address is picked.
  std::optional<cli::AddressSet> addresses;
  bool autoIp = false;      // force-ip --ip auto
  bool restart = false;     // set --restart
  bool force = false;       // set, force-ip --force
  bool check = false;       // set, apply --check: report what would change, write nothing
  bool now = false;         // set --now: the persistent address at once, by FORCEIP
  std::string imagePath;    // firmware IMAGE, an existing regular file
  bool yes = false;         // firmware --yes
  bool dryRun = false;      // firmware --dry-run
  std::string imageSha256;  // firmware --sha256, 64 lower-case hex digits; empty: not given
  std::string planPath;     // apply FILE, an existing file
  int jobs = kDefaultJobs;  // apply --jobs
  double intervalS = kDefaultIntervalS;  // watch --interval-s
  int lostAfter = kDefaultLostAfter;     // watch --lost-after
  std::string textfile;                  // watch --textfile; empty: none
};

struct ParseOutcome {
  std::optional<Invocation> invocation;  // set when a command is to run
  std::string output;                    // help or version text for stdout
  std::string error;                     // one line naming the bad argument
  bool json = false;                     // --json was given, whatever else failed
};

ParseOutcome parseCommandLine(int argc, const char* const* argv);

}  // namespace cli
