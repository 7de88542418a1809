#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing. Fails with a clear message when it cannot.
set -euo pipefail

packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev iproute2 procps)
# The packet privilege raised and dropped at run time (net/privilege.h).
packages+=(libcap-dev)
# The audit trail writes to the system journal (sd_journal_sendv).
packages+=(libsystemd-dev)
# The GenICam client and fake camera the interoperability tests run as black boxes.
packages+=(aravis-tools-cli aravis-tools)
# The diagnosis tests plant firewall rules inside a test namespace.
packages+=(nftables)
# The Debian packages, their man pages and their check (scripts/package*.sh).
packages+=(help2man dpkg-dev file lintian libcap2-bin man-db jq)
# The Ansible collection's check and end-to-end test (ansible/).
packages+=(ansible-core)
# The CPU load of the suite's run under load (scripts/stress-test.sh).
packages+=(stress-ng)
# The watch's metrics read by the node exporter's textfile collector (e2e/cli_watch_test.cc),
# and its service unit checked by systemd-analyze (scripts/package-test.sh).
packages+=(prometheus-node-exporter curl systemd acl)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "error: missing packages: ${missing[*]}; run as root or install them with apt-get" >&2
  exit 1
fi
if ! command -v apt-get >/dev/null 2>&1; then
  echo "error: missing packages: ${missing[*]}, and apt-get is not available on this machine" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"; }; then
  echo "error: apt-get could not install: ${missing[*]}" >&2
  exit 1
fi
