#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test headless.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"
tw_install_packages
tw_check_format
tw_build
export QT_QPA_PLATFORM=offscreen
cd "$TW_BUILD"
ctest --output-on-failure --parallel "$(nproc)" "$@"
