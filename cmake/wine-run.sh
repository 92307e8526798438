#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix in the build folder,
# quiet logging, an X display and a time limit.
#   wine-run.sh PROGRAM.exe [ARGS...]
# Environment: QM_WINE_TIMEOUT (seconds, default 120), WINEPREFIX (default: <build>/wineprefix).
set -u
here_build=${QM_BUILD_DIR:-$(pwd)}
# ctest runs tests in their binary dir; walk up to the folder holding CMakeCache.txt.
if [ -z "${QM_BUILD_DIR:-}" ]; then
  d=$here_build
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  [ -f "$d/CMakeCache.txt" ] && here_build=$d
fi
export WINEPREFIX=${WINEPREFIX:-$here_build/wineprefix}
# An x86_64 build runs under 64-bit Wine; its prefix is a 64-bit one of its own.
wine=$(sed -n 's/^QM_WINE_LOADER:FILEPATH=//p' "$here_build/CMakeCache.txt" 2>/dev/null)
if [ -n "$wine" ]; then export WINELOADER=$wine; else wine=wine; fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [ -z "${DISPLAY:-}" ]; then
  export QM_OWN_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# Create the prefix once; concurrent tests wait for the first one.
if [ ! -f "$WINEPREFIX/.qm-ready-4" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qm-ready-4" ]; then
      "$wine" wineboot -i >/dev/null 2>&1
      # The test display has no window manager: windows are not left to one, or Wine would
      # wait for it (two seconds at every hidden or destroyed top-level window).
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      # A program that crashes ends at once with its report, as with no debugger installed,
      # instead of waiting in one until the test's time is up.
      # Windows' dialog fonts are not part of Wine: without them dialogs fall back to a wider
      # font and their labels wrap. Liberation Sans (fonts-liberation) takes their place.
      for font in "Microsoft Sans Serif" "MS Shell Dlg"; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ /d "Liberation Sans" /f >/dev/null 2>&1
      done
      "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'cmd.exe /c exit' /f >/dev/null 2>&1
      "$wine" reg add 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'cmd.exe /c exit' /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.qm-ready-4"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# One server for the whole run instead of one per program: it stays up a minute after the
# last program ends, so back-to-back programs never meet a server that is shutting down.
# The prefix's services (explorer, services, winedevice...) live as long as the server and
# keep the output of the program that started them open, so a caller reading that output
# (ctest) would wait for them until the server ends: a new server gets its services started
# here, with no output of ours. A display of our own ends with this program, so then the
# server must end with it too.
if [ -z "${QM_OWN_DISPLAY:-}" ] && wineserver -p60 </dev/null >/dev/null 2>&1; then
  "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1
fi

timeout --kill-after=10 "${QM_WINE_TIMEOUT:-120}" "$wine" "$@"
rc=$?
[ $rc -eq 124 ] && echo "wine-run: '$1' timed out after ${QM_WINE_TIMEOUT:-120} s" >&2
exit $rc
