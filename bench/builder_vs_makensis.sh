#!/bin/sh
# Builds one payload with mksetup (on every core, then on one) and with
# Debian's makensis (zlib, not solid), and prints the time and output size
# of each side by side.
#   BENCH_MB    payload size in MB (default 300)
#   MKSETUP     the builder (default build/host/bin/mksetup)
# The payload is generated once into build/bench/payload-<MB>MB and reused.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
MB=${BENCH_MB:-300}
MKSETUP=${MKSETUP:-$ROOT/build/host/bin/mksetup}
WORK=$ROOT/build/bench
PAYLOAD=$WORK/payload-${MB}MB
command -v makensis >/dev/null || { echo "makensis is missing (apt-get install nsis)"; exit 1; }
[ -x "$MKSETUP" ] || { echo "build mksetup first: cmake --build --preset host"; exit 1; }

mkdir -p "$WORK"
if [ ! -f "$PAYLOAD.done" ]; then
    rm -rf "$PAYLOAD"
    python3 "$ROOT/bench/make_payload.py" "$PAYLOAD" "$MB"
    touch "$PAYLOAD.done"
fi

STUB=$ROOT/build/win32/bin/stub.exe
if [ ! -f "$STUB" ]; then
    # Until the real stub is built, a stand-in image of a similar size.
    STUB=$WORK/standin-stub.exe
    # "MZ", the PE header at 256 and one section whose data runs to the end.
    python3 -c 'import struct, sys
d = bytearray(65536); d[0:2] = b"MZ"; struct.pack_into("<I", d, 0x3C, 256); d[256:260] = b"PE\0\0"
struct.pack_into("<H", d, 262, 1); struct.pack_into("<II", d, 296, len(d) - 320, 320)
open(sys.argv[1], "wb").write(d)' "$STUB"
fi

cat >"$WORK/bench.toml" <<TOML
stub = "$STUB"
source = "$PAYLOAD"
output = "$WORK/mksetup-Setup.exe"
TOML
cat >"$WORK/bench.nsi" <<NSI
SetCompressor zlib
OutFile "$WORK/makensis-Setup.exe"
InstallDir "\$TEMP\\bench"
RequestExecutionLevel user
Section
  SetOutPath "\$INSTDIR"
  File /r "$PAYLOAD/*"
SectionEnd
NSI

now() { date +%s.%N; }
# run LABEL OUTPUT COMMAND...: prints the label, seconds and output bytes.
run() {
    label=$1 output=$2
    shift 2
    start=$(now)
    "$@" >"$WORK/$label.log" 2>&1 || { echo "$label failed, see $WORK/$label.log"; exit 1; }
    end=$(now)
    printf '%-16s %10.2f %14d\n' "$label" "$(echo "$end - $start" | bc)" "$(stat -c %s "$output")"
}

files=$(find "$PAYLOAD" -type f | wc -l)
bytes=$(du -sb "$PAYLOAD" | cut -f1)
echo "payload: $bytes bytes in $files files; $(nproc) cores"
printf '%-16s %10s %14s\n' tool seconds "output bytes"
run "mksetup" "$WORK/mksetup-Setup.exe" "$MKSETUP" build "$WORK/bench.toml"
run "mksetup-j1" "$WORK/mksetup-Setup.exe" "$MKSETUP" build "$WORK/bench.toml" -j 1
run "makensis" "$WORK/makensis-Setup.exe" makensis -V2 "$WORK/bench.nsi"
