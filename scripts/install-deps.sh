#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Does nothing when every package is already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libssl-dev openssl
  libboost-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgtk-3-dev libayatana-appindicator3-dev
  xvfb xauth xdotool chromium
  libnss3-dev libnss3-tools
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

((${#missing[@]} == 0)) && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
