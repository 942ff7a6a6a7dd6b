#!/bin/sh
# Renders the information dialog under a private Xvfb display into
# build/gallery/inform_<kind>.png, to be looked at after changes to it.
# Usage: tests/e2e/inform_dialog_gallery.sh [inform_dialog_gallery.exe]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
# The Hebrew dialog runs as on a Hebrew Windows (code page 1255).
exec "$root/tests/e2e/gallery.sh" "${1:-$root/build/win64/bin/inform_dialog_gallery.exe}" \
    inform_news inform_link inform_hebrew=he_IL.UTF-8 inform_rich
