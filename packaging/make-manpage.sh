#!/bin/sh
# make-manpage.sh PROGRAM INCLUDE OUTPUT: writes OUTPUT, the gzip-compressed
# man page of PROGRAM made by help2man from the program's --help and
# --version output plus INCLUDE, the sections --help does not carry.
# help2man reads the program through a wrapper of the same name that puts a
# blank line before each "Usage:" line after the first, so that each
# subcommand's help in the top-level help starts paragraphs of its own.
# The program runs in a network namespace of its own (a loopback only) where
# this machine allows one, so making a page never reaches the machine's
# network whatever the program does with its arguments.
set -eu
program=$1
include=$2
output=$3

isolate=""
if unshare --net true 2>/dev/null; then
  isolate="unshare --net"
elif unshare --net --map-root-user true 2>/dev/null; then
  isolate="unshare --net --map-root-user"
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
wrapper="$tmp/$(basename "$program")"
cat >"$wrapper" <<WRAPPER
#!/bin/bash
set -o pipefail
"$program" "\$@" | awk '/^Usage: / && seen++ { print "" } { print }'
WRAPPER
chmod +x "$wrapper"
# shellcheck disable=SC2086  # $isolate is a command prefix of several words
$isolate help2man --no-info --section 1 --include "$include" --output "$tmp/page" "$wrapper"
gzip -9n <"$tmp/page" >"$output"
