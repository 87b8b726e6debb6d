#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own Wine prefix:
#   wine-run.sh PREFIX_DIR program.exe [args...]
# CMake and CTest use it as the emulator of the Windows build. The prefix is
# created on first use (serialised, so parallel tests may share it); Wine's
# debug output, its Mono/Gecko installers and its desktop integration are off.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/.zorvan-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.zorvan-ready" ]; then
      # No display is needed to create the prefix.
      DISPLAY= wine wineboot --init >/dev/null 2>&1 || true
      # Wine ships no Arial, the face the panel's texts ask for: it gets the
      # face the Linux build draws them with.
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'DejaVu Sans' /f \
        >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.zorvan-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
