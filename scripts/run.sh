#!/usr/bin/env bash
# Sets up, builds and starts Imprimata.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Imprimata is built, but there is no graphical display to show it on (DISPLAY is not set)." >&2
  echo "Run it from a desktop session, or in a virtual X server:  xvfb-run -a build/src/app/imprimata" >&2
  exit 1
fi
exec build/src/app/imprimata
