#!/usr/bin/env bash
# Sets up, builds and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    # Without a display a window cannot open: show the program as a picture instead.
    QT_QPA_PLATFORM=offscreen ./build/src/gui/korvanix-snapshot \
        examples/rc_lowpass.scm build/rc_lowpass.png 2>/dev/null
    cat <<'TEXT'
No display is set (neither DISPLAY nor WAYLAND_DISPLAY), so the KORVANIX window
cannot open here. The main window with examples/rc_lowpass.scm was rendered
instead to build/rc_lowpass.png.

To use the program:
  - on a desktop session run   ./build/src/gui/korvanix
  - on a machine without one   apt-get install xvfb && xvfb-run -a ./build/src/gui/korvanix
  - for a picture of a circuit QT_QPA_PLATFORM=offscreen ./build/src/gui/korvanix-snapshot FILE.scm OUT.png [WIDTHxHEIGHT]
TEXT
    exit 0
fi

exec ./build/src/gui/korvanix
