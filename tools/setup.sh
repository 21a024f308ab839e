#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs what is missing, then configures and builds.
set -euo pipefail

TW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TW_BUILD="${TW_BUILD:-$TW_ROOT/build}"

TW_PACKAGES=(
  cmake ninja-build g++ binutils pkg-config clang-format
  qt6-base-dev libgl-dev libqt6sql6-sqlite
  libsqlite3-dev sqlite3 libsqlitecpp-dev
  libboost-context-dev
  libsimpleini-dev
  libjpeg62-turbo-dev
  libqt6svg6
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 poppler-utils python3
  xvfb xauth
)

tw_install_packages() {
  local missing=()
  for p in "${TW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}"
}

# Fails, naming them, when clang-format would change any tracked C++ file.
tw_check_format() {
  local bad
  bad="$(cd "$TW_ROOT" && git ls-files -z '*.cpp' '*.h' |
    xargs -0 clang-format --dry-run --Werror 2>&1 |
    sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)" || true
  [ -z "$bad" ] && return 0
  echo "Not formatted (run clang-format -i on them):" >&2
  echo "$bad" >&2
  return 1
}

tw_build() {
  if [ ! -f "$TW_BUILD/build.ninja" ]; then
    cmake -S "$TW_ROOT" -B "$TW_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$TW_BUILD" --parallel "$(nproc)"
}
