#!/usr/bin/env bash
# Installs the Debian packages named as arguments that this machine lacks, and says which.
# Does nothing (and runs no package manager) when every one is installed.
set -euo pipefail
if ! command -v dpkg-query >/dev/null; then
  echo "install-deps: not a Debian system; make sure these are installed: $*" >&2
  exit 0
fi
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for pkg in "$@"; do have_pkg "$pkg" || need+=("$pkg"); done
if [ ${#need[@]} -gt 0 ]; then
  echo "install-deps: missing, installing with apt-get: ${need[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${need[@]}"
fi
