#!/usr/bin/env bash
# The collection's check (ctest, label unit; no root): ansible-doc and a build
# under the project's version ($1), each without a warning; the unit tests.
set -euo pipefail
collection=$(cd "$(dirname "$0")/.." && pwd)
ANSIBLE_COLLECTIONS_PATH=$(cd "$collection/../../.." && pwd)
export ANSIBLE_COLLECTIONS_PATH ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Fails when the command fails or writes on stderr, where warnings go.
quietly() {
  "$@" >"$out/log" 2>"$out/stderr" && [ ! -s "$out/stderr" ] || { cat "$out/"{log,stderr} >&2; return 1; }
}
quietly ansible-doc -t module nuv.gige.camera nuv.gige.camera_info
quietly ansible-doc -t role nuv.gige.cameras
quietly ansible-galaxy collection build "$collection" --output-path "$out"
ls "$out/nuv-gige-$1.tar.gz" >/dev/null

python=$(sed -n '1s/^#! *//p' "$(command -v ansible-doc)")
PYTHONPATH=$ANSIBLE_COLLECTIONS_PATH $python -m unittest discover -s "$collection/tests/unit" \
  -p '*_test.py'
