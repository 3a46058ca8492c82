#!/bin/sh
# Runs a test inside the X server xvfb-run gave it, under a window manager, so focus,
# stacking and window frames are real.
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
# The manager takes the screen before the test's first window appears.
for _ in 1 2 3 4 5 6 7 8 9 10; do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.2
done
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit $status
