#!/usr/bin/env bash
# The LV2 bundle in a real host: Ardour 7 run headless (ardour7-lua, Dummy
# backend, all its files in a scratch folder). It must list the plug-in, render
# a recorded take through it (bounce with processing) exactly as the VST 2.4
# library renders it, with a response file loaded from a user preset, and open
# the saved session again after the session folder moved one level deeper and
# the original response file was renamed, rendering the same.
# Usage: run-ardour-check.sh BUILD_DIR. ZORVAN_KEEP=1 keeps the scratch folder;
# ZORVAN_GDB=1 runs Ardour under gdb.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-build}" && pwd)"
tool=$build/lv2-check-tool
for f in "$tool" "$build/zorvan-render" "$build/ZorvanFerroharmonicLite.so" "$build/lv2"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
command -v ardour7-lua >/dev/null || { echo "ardour7-lua not installed"; exit 1; }
work=$(mktemp -d /tmp/zorvan-ardour-XXXXXX)
trap '[ -n "${ZORVAN_KEEP:-}" ] || rm -rf "$work"' EXIT
plugin_uri=https://www.zorvan.example/plugins/ferroharmonic-lite

# A user preset that selects a response file, as a user's saved preset does.
preset=$work/lv2/zorvan-check.lv2
mkdir -p "$preset" "$work/out"
"$tool" response "$preset/cab.wav"
cat > "$preset/manifest.ttl" <<TTL
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
<preset.ttl> a pset:Preset ; lv2:appliesTo <$plugin_uri> ; rdfs:seeAlso <preset.ttl> .
TTL
cat > "$preset/preset.ttl" <<TTL
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
<> a pset:Preset ; lv2:appliesTo <$plugin_uri> ; rdfs:label "Zorvan check cabinet" ;
   state:state [ <$plugin_uri#ir> <cab.wav> ] .
TTL
export LV2_PATH="$build/lv2:$work/lv2"
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
export ZORVAN_CHECK_DIR=$work ZORVAN_CHECK_SCRIPTS=$here
lua() {
  if [ -n "${ZORVAN_GDB:-}" ]; then
    # What ardour7-lua sets up, then its interpreter under the debugger.
    LD_LIBRARY_PATH=/usr/lib/ardour7 ARDOUR_DATA_PATH=/usr/share/ardour7 ARDOUR_CONFIG_PATH=/etc/ardour7 \
      ARDOUR_DLL_PATH=/usr/lib/ardour7 gdb -batch -ex run -ex "thread apply all bt 12" \
      --args /usr/lib/ardour7/luasession "$@" </dev/null
  else
    timeout 300 ardour7-lua "$@" </dev/null
  fi
}

echo "== Ardour: list, record, render, save"
lua "$ZORVAN_CHECK_SCRIPTS/create.lua"
session=$work/sessions/check
files=$session/interchange/check/audiofiles
"$tool" join "$files"/Take1*%L.wav "$files"/Take1*%R.wav "$work/out/take.wav"
"$tool" join "$files/render1%L.wav" "$files/render1%R.wav" "$work/out/render1.wav"

echo "== the VST 2.4 library renders the same take"
"$build/zorvan-render" --plugin "$build/ZorvanFerroharmonicLite.so" --float --tail 0 --block 1024 \
  --channel rhythm --input 2 --gain 7 --bass 3 --middle 7 --treble 5 --presence 2.5 --volume 6 \
  --ir "$preset/cab.wav" "$work/out/take.wav" "$work/out/vst.wav"
"$tool" compare "$work/out/render1.wav" "$work/out/vst.wav"

echo "== the session keeps its own copy of the response"
state=$(grep -rl "ferroharmonic-lite#ir" "$session/plugins")
grep "ferroharmonic-lite#ir" "$state"
ls -l "$(dirname "$state")"

echo "== moved one level deeper, original response renamed, opened again"
mkdir -p "$work/sessions/deeper"
mv "$session" "$work/sessions/deeper/check"
mv "$preset/cab.wav" "$preset/cab-renamed.wav"
lua "$ZORVAN_CHECK_SCRIPTS/reopen.lua"
files=$work/sessions/deeper/check/interchange/check/audiofiles
"$tool" join "$files/render2%L.wav" "$files/render2%R.wav" "$work/out/render2.wav"
"$tool" compare "$work/out/render2.wav" "$work/out/vst.wav"
echo "Ardour check passed"
