#!/bin/sh
# Renders every kind of markup message box under a private Xvfb display
# into build/gallery/<box>.png, to be looked at after changes to the box.
# Usage: tests/e2e/message_box_gallery.sh [message_box_gallery.exe]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec "$root/scripts/with-display" "$0" "$@"; fi
program=${1:-$root/build/win64/bin/message_box_gallery.exe}
out=$root/build/gallery
mkdir -p "$out"
work=$(mktemp -d)
pid=
# A box left open would stay in the Wine prefix and upset later runs.
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

# The program sees the Unix root as drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# Wine takes the system code page from the Unix locale; the Hebrew and
# Arabic boxes run as on a Hebrew or Arabic Windows, whose code pages
# (1255, 1256) their texts are written in.
locale_of() {
    case $1 in
        hebrew) echo he_IL.UTF-8 ;;
        arabic) echo ar_SA.UTF-8 ;;
        *) echo "${LC_ALL:-C.UTF-8}" ;;
    esac
}

for box in error attention yesno okcancel longline hebrew arabic translated; do
    rm -f "$work/ready" "$work/done"
    LC_ALL=$(locale_of "$box") "$root/tests/win/wine-run" "$program" "$box" "$(windows_path "$work/ready")" "$(windows_path "$work/done")" &
    pid=$!
    waited=0
    while [ ! -f "$work/ready" ]; do
        if ! kill -0 "$pid" 2>/dev/null || [ "$waited" -ge 600 ]; then
            echo "gallery: no $box box" >&2
            exit 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    # The box has painted; give the X server a moment to show the pixels.
    sleep 0.5
    import -window root "$out/$box.png"
    touch "$work/done"
    wait "$pid"
    pid=
    echo "$out/$box.png"
done
