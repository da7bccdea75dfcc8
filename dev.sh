#!/usr/bin/env bash
# Set-up, build, run and test on a fresh Debian machine (run as root).
#   ./dev.sh start   install what is missing, build, start velmora
#   ./dev.sh test    install what is missing, build, run every test headless
#   ./dev.sh asan    core tests again under AddressSanitizer/UBSan
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
          libgl-dev libbenchmark-dev fonts-noto-cjk fontconfig xvfb xauth)

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
  *)
    echo "usage: $0 start|test|asan" >&2
    exit 2
    ;;
esac
