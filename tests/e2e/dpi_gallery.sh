#!/bin/sh
# Renders the stub's windows at 96, 144 and 192 dots per inch (display
# scales of 100%, 150% and 200%) into build/gallery/dpi<N>/: the main window
# during a transfer (status, bars and the rate line), the message boxes and
# the information dialog. Each scale runs in a Wine prefix of its own
# (build/wineprefix-dpi<N>) whose display resolution is set to it, so the
# test suite's prefix keeps 96.
# Usage: tests/e2e/dpi_gallery.sh [win64|win32]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
# A screen of 200% scale has twice the pixels of one at 100%: 2048 x 1536
# shows at 192 dpi what 1024 x 768 shows at 96.
if [ -z "${DISPLAY:-}" ]; then RV_SCREEN=2048x1536x24 exec "$root/scripts/with-display" "$0" "$@"; fi
bin=$root/build/${1:-win64}/bin
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

package=$root/build/gallery/sample.exe
mkdir -p "$root/build/gallery"
"$root/build/host/bin/mksetup" build "$root/examples/sample/project.toml" --stub "$bin/stub.exe" -o "$package" >/dev/null

for dpi in 96 144 192; do
    export WINEPREFIX="$root/build/wineprefix-dpi$dpi" RV_PREFIX_DPI=$dpi RV_GALLERY_OUT="$root/build/gallery/dpi$dpi"
    mkdir -p "$RV_GALLERY_OUT"

    "$root/tests/win/wine-run" "$bin/main_window_demo.exe" "$(windows_path "$package")" 0 30 \
        "1234567/12345678 Bytes 123.45 KB/Sec" &
    demo=$!
    "$root/tests/win/wine-run" "$bin/ui_driver.exe" wait RvMainWindowDemo 60000 >/dev/null
    sleep 1
    import -window root "$RV_GALLERY_OUT/main_window.png"
    kill "$demo" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    echo "$RV_GALLERY_OUT/main_window.png"

    "$root/tests/e2e/gallery.sh" "$bin/message_box_gallery.exe" error yesno longline translated
    "$root/tests/e2e/gallery.sh" "$bin/inform_dialog_gallery.exe" inform_news inform_link
done
