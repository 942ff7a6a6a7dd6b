#!/bin/sh
# The corruption sweep: the host part under AddressSanitizer and UBSan (the
# asan tree), then, with --wine, the sample through the real stub under Wine
# (the host and win64 trees). Each prints its table; exit status 1 on any
# failure.
set -eu
cd "$(dirname "$0")/../.."
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build/asan/bin/sweep
if [ "${1:-}" = "--wine" ]; then
    RV_WIN_BIN=$PWD/build/win64/bin RV_MKSETUP=$PWD/build/host/bin/mksetup RV_SWEEP=$PWD/build/host/bin/sweep \
        scripts/with-display python3 tests/sweep/wine_sample.py
fi
