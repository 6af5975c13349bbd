#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, only when missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsqlite3-dev sqlite3
  libpcre2-dev
  qt6-base-dev libgl-dev qt6-svg-dev bootstrap-icons
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
