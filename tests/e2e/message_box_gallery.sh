#!/bin/sh
# Renders every kind of markup message box under a private Xvfb display
# into build/gallery/<box>.png, to be looked at after changes to the box.
# Usage: tests/e2e/message_box_gallery.sh [message_box_gallery.exe]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
# The Hebrew and Arabic boxes run as on a Hebrew or Arabic Windows, whose
# code pages (1255, 1256) their texts are written in.
exec "$root/tests/e2e/gallery.sh" "${1:-$root/build/win64/bin/message_box_gallery.exe}" \
    error attention yesno okcancel longline hebrew=he_IL.UTF-8 arabic=ar_SA.UTF-8 translated
