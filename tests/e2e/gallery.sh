#!/bin/sh
# Photographs the windows of a gallery program (tests/win/gallery_util.h)
# under a private Xvfb display into build/gallery/<item>.png (or the folder
# RV_GALLERY_OUT names), one item after
# the other. An item written <item>=<locale> runs under that Unix locale,
# from which Wine takes the system code page.
# Usage: tests/e2e/gallery.sh <gallery program.exe> <item>[=<locale>]...
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec "$root/scripts/with-display" "$0" "$@"; fi
program=$1
shift
out=${RV_GALLERY_OUT:-$root/build/gallery}
mkdir -p "$out"
work=$(mktemp -d)
pid=
# A window left open would stay in the Wine prefix and upset later runs.
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

# The program sees the Unix root as drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

for entry in "$@"; do
    item=${entry%%=*}
    locale=${LC_ALL:-C.UTF-8}
    case $entry in *=*) locale=${entry#*=} ;; esac
    rm -f "$work/ready" "$work/done"
    LC_ALL=$locale "$root/tests/win/wine-run" "$program" "$item" "$(windows_path "$work/ready")" "$(windows_path "$work/done")" &
    pid=$!
    waited=0
    while [ ! -f "$work/ready" ]; do
        if ! kill -0 "$pid" 2>/dev/null || [ "$waited" -ge 600 ]; then
            echo "gallery: no $item window" >&2
            exit 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    # The window has painted; give the X server a moment to show the pixels.
    sleep 0.5
    import -window root "$out/$item.png"
    touch "$work/done"
    wait "$pid"
    pid=
    echo "$out/$item.png"
done
