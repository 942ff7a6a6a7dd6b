#!/bin/sh
# Extraction benchmark of the stub under Wine, all in one throwaway prefix:
#   1. the stub's peak memory while it extracts one large file (goal: under
#      32 MB), beside the same stub on a tiny package (Wine's own share);
#   2. the stub's wall time to extract and launch a mixed payload, beside a
#      plain inflate-and-write loop over the same records (mksetup.exe
#      extract, the floor) and Debian's NSIS over the same files (zlib, not
#      solid, silent install); goal: stub at most 0.67 of NSIS's time;
#   3. the stub image sizes (goal: i686 at most 90 KB).
# It prints figures only: slow figures do not make it fail.
#
#   BENCH_BIG_MB       size of the one large file (default 1024)
#   BENCH_MIX_MB       size of the mixed payload (default 300)
#   BENCH_SMALL_FILES  small files in the mixed payload (default 2000)
#   BENCH_RUNS         timed runs of each tool; the best counts (default 3)
#   BENCH_LEVEL        zlib level of the stub's packages (default 9)
#   BENCH_WAIT_CI      1 (default): wait while a CI run (ci-clone) is going,
#                      polling every 30 s for at most 40 minutes
#   BENCH_WORK         work folder (default build/bench/extract)
#   WIN_BIN            the win64 programs (default build/win64/bin)
#   MKSETUP            the host builder (default build/host/bin/mksetup)
# Payloads are generated once per size and reused; packages are rebuilt on
# every run, so they carry the stub as it is now.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)

# Everything runs on one private Xvfb display.
if [ -z "${BENCH_ON_DISPLAY:-}" ]; then
    BENCH_ON_DISPLAY=1 exec "$ROOT/scripts/with-display" sh "$0" "$@"
fi

BIG_MB=${BENCH_BIG_MB:-1024}
MIX_MB=${BENCH_MIX_MB:-300}
SMALL=${BENCH_SMALL_FILES:-2000}
RUNS=${BENCH_RUNS:-3}
LEVEL=${BENCH_LEVEL:-9}
WAIT_CI=${BENCH_WAIT_CI:-1}
WORK=${BENCH_WORK:-$ROOT/build/bench/extract}
WIN_BIN=${WIN_BIN:-$ROOT/build/win64/bin}
MKSETUP=${MKSETUP:-$ROOT/build/host/bin/mksetup}
BENCH=$ROOT/bench
NAME=BenchSetup.exe   # the stub's package name; pgrep -x finds its process by it
export PYTHONDONTWRITEBYTECODE=1

for f in "$WIN_BIN/stub.exe" "$WIN_BIN/mksetup.exe" "$WIN_BIN/test_setup.exe" "$MKSETUP"; do
    [ -f "$f" ] || { echo "missing $f: cmake --preset host && cmake --build --preset host, and the same for win64"; exit 1; }
done
for c in wine wineserver wineboot makensis pgrep python3; do
    command -v "$c" >/dev/null || { echo "missing $c"; exit 1; }
done

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
size_of() { stat -c %s "$1"; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
kb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }
# files_and_bytes DIR: "<files> files, <bytes> bytes"
files_and_bytes() { printf '%s files, %s bytes' "$(find "$1" -type f | wc -l)" "$(find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')"; }
# shellcheck disable=SC1003
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
uncompress_ms() { sed -n 's/.*UnCompressTime: \([0-9]*\) MS.*/\1/p' "$1" | tail -n 1; }

mkdir -p "$WORK/logs"
LOGS=$WORK/logs

# --- payloads ---------------------------------------------------------------
BIG=$WORK/big-${BIG_MB}MB
MIX=$WORK/mixed-${MIX_MB}MB-${SMALL}
TINY=$WORK/tiny
if [ ! -f "$BIG.done" ]; then
    rm -rf "$BIG" && mkdir -p "$BIG"
    t0=$(now)
    python3 "$BENCH/make_big_file.py" "$BIG/big.bin" "$BIG_MB"
    echo "generated $BIG_MB MB file in $(elapsed "$t0" "$(now)") s"
    touch "$BIG.done"
fi
if [ ! -f "$MIX.done" ]; then
    rm -rf "$MIX"
    t0=$(now)
    python3 "$BENCH/make_mixed_payload.py" "$MIX" "$MIX_MB" "$SMALL"
    echo "generated $MIX_MB MB mixed payload in $(elapsed "$t0" "$(now)") s"
    touch "$MIX.done"
fi
rm -rf "$TINY" && mkdir -p "$TINY" && echo "tiny package" >"$TINY/readme.txt"
# The setup program the stub launches; part of every payload.
for d in "$BIG" "$MIX" "$TINY"; do cp "$WIN_BIN/test_setup.exe" "$d/setup.exe"; done

# --- packages ---------------------------------------------------------------
# package KIND SOURCE: builds $WORK/pkg-KIND/BenchSetup.exe with the win64 stub.
package() {
    mkdir -p "$WORK/pkg-$1"
    cat >"$WORK/pkg-$1/project.toml" <<TOML
stub = "$WIN_BIN/stub.exe"
source = "$2"
output = "$WORK/pkg-$1/$NAME"
[setup]
program = "setup.exe"
parameters = "/EXIT=0"
[compression]
level = $LEVEL
TOML
    t0=$(now)
    "$MKSETUP" build "$WORK/pkg-$1/project.toml" >"$LOGS/build-$1.log" 2>&1 || { echo "mksetup build failed, see $LOGS/build-$1.log"; exit 1; }
    echo "built pkg-$1 ($(cat "$LOGS/build-$1.log")) in $(elapsed "$t0" "$(now)") s"
}
package tiny "$TINY"
package big "$BIG"
package mix "$MIX"

if [ -f /usr/share/nsis/Stubs/zlib-amd64-unicode ]; then
    NSIS_TARGET=amd64-unicode NSIS_NOTE="amd64-unicode stub"
else
    NSIS_TARGET=x86-unicode NSIS_NOTE="x86-unicode stub (Debian ships no zlib amd64-unicode stub)"
fi
mkdir -p "$WORK/nsis"
cat >"$WORK/nsis/bench.nsi" <<NSI
Unicode true
Target $NSIS_TARGET
SetCompressor zlib
Name "bench"
OutFile "$WORK/nsis/nsis-setup.exe"
InstallDir "\$TEMP\\nsisbench"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$MIX/*"
SectionEnd
NSI
t0=$(now)
makensis -V2 "$WORK/nsis/bench.nsi" >"$LOGS/makensis.log" 2>&1 || { echo "makensis failed, see $LOGS/makensis.log"; exit 1; }
echo "built nsis-setup.exe ($NSIS_NOTE) in $(elapsed "$t0" "$(now)") s"

# --- quiet machine ----------------------------------------------------------
if [ "$WAIT_CI" = 1 ] && pgrep -f ci-clone >/dev/null; then
    echo "a CI run is going; waiting for it to end (at most 40 minutes)"
    waited=0
    while pgrep -f ci-clone >/dev/null && [ "$waited" -lt 2400 ]; do sleep 30; waited=$((waited + 30)); done
    if pgrep -f ci-clone >/dev/null; then echo "note: the CI run is still going; figures may be skewed"; else echo "CI ended after ~$waited s"; fi
fi

# --- Wine prefix ------------------------------------------------------------
PREFIX_ROOT=$(mktemp -d)
export WINEPREFIX=$PREFIX_ROOT/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$PREFIX_ROOT"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
t0=$(now)
wineboot -i >"$LOGS/wineboot.log" 2>&1 || true
wineserver -w
echo "prefix ready in $(elapsed "$t0" "$(now)") s"
wineserver -p   # one server for every run, so none pays its start
WTEMP=
for d in "$WINEPREFIX"/drive_c/users/*/Temp; do
    if [ "${d#*/users/Public/}" = "$d" ]; then WTEMP=$d; fi
done
[ -d "$WTEMP" ] || { echo "no Temp folder in the prefix"; exit 1; }
NSIS_DIR=$WTEMP/nsisbench
FLOOR_DIR=$WTEMP/floor

# stub_left: SETUP_ folders the stub left behind (it should remove its own).
stub_left() { find "$WTEMP" -maxdepth 1 -name 'SETUP_*' | wc -l; }

echo
echo "machine: $(nproc) cores, $(wine --version), $(makensis -VERSION 2>/dev/null | head -n 1) NSIS"
echo "load average before measuring: $(cut -d' ' -f1-3 /proc/loadavg) (the builds above count in it; other work on the machine skews the figures)"
echo "payloads: big $(files_and_bytes "$BIG"); mixed $(files_and_bytes "$MIX") (both include setup.exe)"

# --- 1. memory ----------------------------------------------------------------
# memory KIND: runs the stub on pkg-KIND under peak_memory.py, prints a row.
memory() {
    log=$LOGS/memory-$1.log
    sync
    result=$(cd "$WORK/pkg-$1" && python3 "$BENCH/peak_memory.py" "$NAME" -o "$log" -- \
        wine "$NAME" /hide "/REPORT=$(winpath "$WORK/pkg-$1/report.txt")")
    code=1 seconds=0 pids=none hwm_kb=0 rss_kb=0 private_kb=0 anon_kb=0 samples=0
    eval "$result"
    printf '%-22s %9s %9s %11s %11s %8s %9s %7s\n' "$1 ($(mb "$(size_of "$WORK/pkg-$1/$NAME")") MB pkg)" \
        "$(kb "$hwm_kb")" "$(kb "$rss_kb")" "$(kb "$private_kb")" "$(kb "$anon_kb")" \
        "$seconds" "$(uncompress_ms "$log")" "$code"
    [ "$code" = 0 ] || echo "  note: the stub exited with $code, see $log"
    [ "$(stub_left)" = 0 ] || echo "  note: the stub left its folder in $WTEMP"
    if [ -f "$WORK/pkg-$1/report.txt" ]; then
        echo "  setup.exe saw: $(grep -c '^file=' "$WORK/pkg-$1/report.txt") files, $(sed -n 's/^file=[^|]*|\([0-9]*\)|.*/\1/p' "$WORK/pkg-$1/report.txt" | awk '{ s += $1 } END { print s + 0 }') bytes; followed pid $pids, $samples polls"
        rm -f "$WORK/pkg-$1/report.txt"
    else
        echo "  note: setup.exe wrote no report; it may not have run"
    fi
    eval "HWM_$1=$hwm_kb PRIV_$1=$private_kb"
}
echo
echo "1. stub peak memory while extracting (MB; Linux process of the stub under Wine, found with pgrep -x $NAME)"
printf '%-22s %9s %9s %11s %11s %8s %9s %7s\n' package "VmHWM" "max RSS" "max private" "max anon" seconds "uncomp ms" exit
memory tiny
memory big
awk -v b="$HWM_big" -v t="$HWM_tiny" -v p="$PRIV_big" -v q="$PRIV_tiny" 'BEGIN {
    printf "goal: peak resident set under 32 MB while extracting a %s: %.1f MB (%s); above the tiny package: %.1f MB resident, %.1f MB private\n",
        "'"$BIG_MB"' MB file", b / 1024, (b < 32768 ? "met" : "NOT met"), (b - t) / 1024, (p - q) / 1024 }'

# --- 2. time ------------------------------------------------------------------
# timed LABEL DIR COMMAND...: one wall-clock run in DIR, seconds into $T.
timed() {
    label=$1 dir=$2
    shift 2
    sync
    t0=$(now)
    code=0
    (cd "$dir" && "$@") >"$LOGS/$label.log" 2>&1 || code=$?
    T=$(elapsed "$t0" "$(now)")
    [ "$code" = 0 ] || echo "  note: $label exited with $code, see $LOGS/$label.log"
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }

stub_times="" floor_times="" nsis_times="" tiny_times="" wine_times="" uncomp=""
i=1
while [ "$i" -le "$RUNS" ]; do
    timed "stub-$i" "$WORK/pkg-mix" wine "$NAME" /hide
    stub_times="$stub_times $T" uncomp="$uncomp $(uncompress_ms "$LOGS/stub-$i.log")"
    [ "$(stub_left)" = 0 ] || echo "  note: the stub left its folder in $WTEMP"

    rm -rf "$FLOOR_DIR"
    timed "floor-$i" "$WORK/pkg-mix" wine "$WIN_BIN/mksetup.exe" extract "$NAME" -o "$(winpath "$FLOOR_DIR")"
    floor_times="$floor_times $T"
    [ "$i" = 1 ] && FLOOR_FILES=$(files_and_bytes "$FLOOR_DIR")
    rm -rf "$FLOOR_DIR"

    rm -rf "$NSIS_DIR"
    timed "nsis-$i" "$WORK/nsis" wine nsis-setup.exe /S
    nsis_times="$nsis_times $T"
    [ "$i" = 1 ] && NSIS_FILES=$(files_and_bytes "$NSIS_DIR")
    rm -rf "$NSIS_DIR"

    timed "tiny-$i" "$WORK/pkg-tiny" wine "$NAME" /hide
    tiny_times="$tiny_times $T"

    timed "winestart-$i" "$WORK/pkg-tiny" wine "$WIN_BIN/test_setup.exe" /EXIT=0
    wine_times="$wine_times $T"
    i=$((i + 1))
done
# shellcheck disable=SC2086
S=$(best $stub_times) F=$(best $floor_times) N=$(best $nsis_times) Y=$(best $tiny_times) W=$(best $wine_times)
ratio() { awk -v a="$1" -v b="$N" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "2. extract and launch the mixed payload: wall seconds, best of $RUNS"
echo "   mksetup.exe wrote: $FLOOR_FILES; NSIS wrote: $NSIS_FILES"
printf '%-40s %8s %8s %14s   %s\n' tool seconds "/ NSIS" "output bytes" "all runs"
printf '%-40s %8s %8s %14s  %s\n' "stub.exe /hide (extract, launch, remove)" "$S" "$(ratio "$S")" "$(size_of "$WORK/pkg-mix/$NAME")" "$stub_times"
printf '%-40s %8s %8s %14s  %s\n' "mksetup.exe extract (inflate-and-write)" "$F" "$(ratio "$F")" "$(size_of "$WORK/pkg-mix/$NAME")" "$floor_times"
printf '%-40s %8s %8s %14s  %s\n' "NSIS zlib $NSIS_TARGET /S" "$N" "1.00" "$(size_of "$WORK/nsis/nsis-setup.exe")" "$nsis_times"
printf '%-40s %8s %8s %14s  %s\n' "stub.exe /hide, tiny package" "$Y" "$(ratio "$Y")" "$(size_of "$WORK/pkg-tiny/$NAME")" "$tiny_times"
printf '%-40s %8s %8s %14s  %s\n' "test_setup.exe /EXIT=0 (Wine start)" "$W" "$(ratio "$W")" "-" "$wine_times"
echo "   stub UnCompressTime (ms) per run:$uncomp"
awk -v s="$S" -v n="$N" 'BEGIN { printf "goal: stub time at most 0.67 of NSIS'"'"'s: %.2f (%s)\n", s / n, (s <= 0.67 * n ? "met" : "NOT met") }'
awk -v s="$S" -v y="$Y" -v n="$N" 'BEGIN { printf "   stub above its tiny-package time (its fixed waits left out): %.2f s, %.2f of NSIS\n", s - y, (s - y) / n }'
[ "$NSIS_TARGET" = amd64-unicode ] || echo "note: NSIS ran with the $NSIS_NOTE"

# One more, untimed stub run with every line of its output stamped: where
# its time goes.
sync
(cd "$WORK/pkg-mix" && python3 "$BENCH/stamp_lines.py" -- wine "$NAME" /hide) >"$LOGS/stub-stamped.log"
echo "   one more stub run, its output lines stamped (s since wine started; $LOGS/stub-stamped.log):"
awk '
    /STUB START/ && !a { a = $1 }
    /ForegroundOp=/ && !b { b = $1 }
    /FileInfo.FilesCount=/ && !c { c = $1 }
    /FileLen=/ && !l { l = $1 }
    /UnCompressTime:/ { d = $1; ms = $(NF - 1) }
    /WinExec\(Setup.exe\)/ { e = $1 }
    /STUB END/ { f = $1 }
    /\[exit / { g = $1 }
    END {
        printf "   %-58s %7.2f\n", "Wine start to the stub'"'"'s first line", a
        printf "   %-58s %7.2f\n", "to the extraction step (window start timer: 1 s)", b - a
        printf "   %-58s %7.2f\n", "to the first volume (fixed wait: 1 s)", c - b
        printf "   %-58s %7.2f\n", "volume checksum (the format skips it above 50 MiB)", l - c
        printf "   %-58s %7.2f\n", "records: inflate and write", d - l
        printf "   %-58s %7s   (UnCompressTime %d ms)\n", "", "", ms
        printf "   %-58s %7.2f\n", "to starting setup.exe (fixed waits: 0.5 s + 1 s)", e - d
        printf "   %-58s %7.2f\n", "setup.exe run, handshake (fixed waits 1 s + 1 s), removal", f - e
        printf "   %-58s %7.2f\n", "stub end to process exit", g - f
        printf "   %-58s %7.2f\n", "total", g
    }' "$LOGS/stub-stamped.log"
[ "$(stub_left)" = 0 ] || echo "  note: the stub left its folder in $WTEMP"

echo "load average after measuring: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- 3. image sizes -----------------------------------------------------------
echo
echo "3. stub image sizes"
for arch in win32 win64; do
    f=$ROOT/build/$arch/bin/stub.exe
    if [ -f "$f" ]; then
        printf '%-6s %9s bytes %7s KB\n' "$arch" "$(size_of "$f")" "$(kb "$(size_of "$f")")"
    else
        printf '%-6s not built (cmake --preset %s && cmake --build --preset %s)\n' "$arch" "$arch" "$arch"
    fi
done
if [ -f "$ROOT/build/win32/bin/stub.exe" ]; then
    s=$(size_of "$ROOT/build/win32/bin/stub.exe")
    echo "goal: i686 stub at most 90 KB: $(kb "$s") KB ($([ "$s" -le 92160 ] && echo met || echo NOT met))"
fi
