#!/usr/bin/env bash
# Installs what is missing, builds, and starts tarnwick on a data directory
# (the first argument, or ./run beside this script).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"
tw_install_packages
tw_build
DATA_DIR="${1:-$TW_ROOT/run}"
mkdir -p "$DATA_DIR"
# The page reader is looked for in the working directory first, then beside tarnwick.
cd "$DATA_DIR"
exec "$TW_BUILD/bin/tarnwick"
