#!/usr/bin/env bash
# A real CLAP host's view of the plug-in: Qtractor's plug-in scanner (the
# helper Qtractor runs to index plug-ins) loads the built .clap, creates and
# initialises an instance, and must list it with two audio inputs and
# outputs, nine automatable parameters and a GUI.
#   tests/clap/qtractor/run-qtractor-scan.sh [build-dir]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
plugin="$build/clap/ZorvanFerroharmonicLite.clap"
scanner=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2>/dev/null | head -n 1 || true)
if [ -z "$scanner" ]; then
  echo "qtractor scan: qtractor_plugin_scan not installed (scripts/install-deps.sh --test)" >&2
  exit 1
fi
[ -f "$plugin" ] || { echo "qtractor scan: $plugin not built" >&2; exit 1; }

line=$(echo "CLAP:$plugin" | QT_QPA_PLATFORM=offscreen timeout 60 "$scanner")
expected="CLAP|Zorvan Ferroharmonic Lite|2:2|0:0|9:0|GUI,EXT,RT|$plugin|0|"
case "$line" in
  "$expected"*) echo "qtractor scan: $line" ;;
  *) echo "qtractor scan: unexpected answer: $line" >&2; echo "expected: $expected..." >&2; exit 1 ;;
esac
