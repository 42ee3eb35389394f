#!/usr/bin/env bash
# Sets up, builds and starts the program. Until the desktop application lands,
# this shows the batch tool on a bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
./build/src/korvanix-cli --help
echo
echo "\$ korvanix-cli netlist examples/rc_lowpass.scm"
./build/src/korvanix-cli netlist examples/rc_lowpass.scm
echo
