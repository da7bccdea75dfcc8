#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of velmora's windows under Xvfb, into the folder given (default
# build/default/screenshots). Builds the driver first.
set -euo pipefail
cd "$(dirname "$0")/../.."
out="${1:-build/default/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
cmake --build --preset default --target velmora_shots velmora
cd build/default/bin
xvfb-run -a -s "-screen 0 1600x1000x24" ../tools/velmora_shots "$out"
