#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Set-up, build, run and test on a fresh Debian machine (run as root).
#   ./dev.sh start   install what is missing, build, start velmora
#   ./dev.sh test    install what is missing, build, run every test headless
#   ./dev.sh asan    core tests again under AddressSanitizer/UBSan
#   ./dev.sh fuzz [SECONDS]  each libFuzzer target for SECONDS (default 30)
#   ./dev.sh package the Debian packages velmora, libdaylin1 and libdaylin-dev
#                    (build/package/*.deb)
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
          libgl-dev libbenchmark-dev fonts-noto-cjk fontconfig xvfb xauth
          clang libclang-rt-14-dev desktop-file-utils appstream
          nlohmann-json3-dev libproj-dev qt6-svg-dev gdal-bin
          libopencv-core-dev libopencv-imgproc-dev qt6-image-formats-plugins
          librtklib-dev libgdal-dev qt6-translations-l10n parallel)
# Building the Debian packages also needs dpkg-shlibdeps and file(1).
package_tools=(dpkg-dev file)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

build() {
  cmake --preset default
  cmake --build --preset default
}

case "${1:-}" in
  start)
    install_missing
    build
    cd build/default/bin
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
      exec xvfb-run -a -s "-screen 0 1600x1000x24" ./velmora
    fi
    exec ./velmora
    ;;
  test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --preset default
    ;;
  asan)
    install_missing
    cmake --preset asan
    cmake --build --preset asan-core
    ctest --preset asan-core
    ;;
  fuzz)
    install_missing
    cmake --preset fuzz
    cmake --build --preset fuzz
    seconds="${2:-30}"
    for target in projectfile registry tracer ephemerides orbits gisbuildings; do
      # New inputs go to a scratch folder; the seeds in the tree stay as they are.
      work="$(mktemp -d)"
      echo "fuzz_$target: ${seconds} s"
      status=0
      build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
        "$work" fuzz/corpus/$target >"$work.log" 2>&1 || status=$?
      grep -E "stat::number_of_executed_units|stat::average_exec_per_sec" "$work.log" || true
      if ((status != 0)); then
        tail -n 40 "$work.log" >&2
        echo "fuzz_$target failed" >&2
        exit 1
      fi
      rm -rf "$work" "$work.log"
    done
    ;;
  package)
    packages+=("${package_tools[@]}")
    install_missing
    cmake --workflow --preset package
    ls build/package/*.deb
    ;;
  *)
    echo "usage: $0 start|test|asan|fuzz [seconds]|package" >&2
    exit 2
    ;;
esac
