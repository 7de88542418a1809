#!/bin/sh
# Stands in for nuv-ipconfig in the modules' unit tests. Appends its arguments
# as one line to $NUV_STUB_DIR/calls, keeps a copy of a plan file it is given
# as $NUV_STUB_DIR/plan, then prints $NUV_STUB_DIR/COMMAND.json and exits with
# the status in $NUV_STUB_DIR/COMMAND.rc (COMMAND: its first argument).
echo "$*" >> "$NUV_STUB_DIR/calls"
if [ "$1" = apply ]; then cp "$2" "$NUV_STUB_DIR/plan"; fi
cat "$NUV_STUB_DIR/$1.json"
exit "$(cat "$NUV_STUB_DIR/$1.rc")"
