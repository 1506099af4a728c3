#!/usr/bin/env bash
# Runs a test program on a real X server (Xvfb) under a window manager (openbox), the way the
# program meets a desktop: window placement, exposure and scroll bars behave as they do there,
# unlike on the offscreen platform.
set -euo pipefail
inner='openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5
status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
kill $wm 2>/dev/null || true
exit $status'
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c "$inner" run-under-x "$@"
