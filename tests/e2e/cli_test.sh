#!/bin/sh
# The mksetup program as users call it: exit codes, messages and --json,
# on the sample project with a stand-in stub image.
# usage: cli_test.sh MKSETUP SOURCE_DIR
set -u
MKSETUP=$1
SRC=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE TEXT COMMAND...: the command exits with CODE and, when TEXT is
# not empty, its stderr holds TEXT.
expect() {
    code=$1 text=$2
    shift 2
    "$@" >"$WORK/stdout" 2>"$WORK/stderr"
    rc=$?
    [ "$rc" -eq "$code" ] || fail "$* exited $rc, wanted $code: $(cat "$WORK/stderr")"
    [ -z "$text" ] || grep -qF -- "$text" "$WORK/stderr" || fail "$*: stderr lacks '$text': $(cat "$WORK/stderr")"
}

# "MZ", the PE header at 256 and one section whose data runs to the end.
python3 - "$WORK/stub.exe" <<'PY'
import struct, sys
image = bytearray(2048)
image[0:2] = b"MZ"
struct.pack_into("<I", image, 0x3C, 256)
image[256:260] = b"PE\0\0"
struct.pack_into("<H", image, 262, 1)
struct.pack_into("<II", image, 280 + 16, len(image) - 320, 320)
open(sys.argv[1], "wb").write(image)
PY
SETUP="$WORK/out/Setup.exe"

expect 0 "" "$MKSETUP" --help
grep -q "volume_size" "$WORK/stdout" || fail "--help does not document the project keys"
expect 1 "unknown command" "$MKSETUP" frobnicate
expect 1 "extract needs -o" "$MKSETUP" extract "$SETUP"
expect 2 "missing.toml" "$MKSETUP" build "$WORK/missing.toml"

expect 0 "" "$MKSETUP" build "$SRC/examples/sample/project.toml" --stub "$WORK/stub.exe" -o "$SETUP"
expect 0 "" "$MKSETUP" list "$SETUP"
grep -qF 'setup.bat  [setup program: /LANG=AUTO]' "$WORK/stdout" || fail "list does not mark the setup program"
expect 0 "" "$MKSETUP" verify "$SETUP"
expect 0 "" "$MKSETUP" info --json "$SETUP"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["update"]["token"] == "sample-product-token", d
assert [l["name"] for l in d["languages"]] == ["English", "Turkish"], d' "$WORK/stdout" || fail "info --json"
expect 0 "" "$MKSETUP" extract "$SETUP" -o "$WORK/x"
diff -r "$SRC/examples/sample/files" "$WORK/x" || fail "extracted files differ"

# The update example: the product carries its .original descriptor, the
# agent builds alone, and an edition and a news page are published.
UPD="$SRC/examples/update"
expect 0 "" "$MKSETUP" build "$UPD/product.toml" --stub "$WORK/stub.exe" -o "$WORK/update/ProductSetup.exe"
expect 0 "" "$MKSETUP" list "$WORK/update/ProductSetup.exe"
grep -qF 'Product.original' "$WORK/stdout" || fail "the product's package lacks Product.original"
expect 0 "" "$MKSETUP" build "$UPD/agent.toml" --stub "$WORK/stub.exe" -o "$WORK/update/ProductUpdate.exe"
expect 0 "" "$MKSETUP" info --json "$WORK/update/ProductUpdate.exe"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["flags"]["is_agent"], d
assert d["update"]["program"] == "ProductUpdate.exe" and d["update"]["token"] == "example-product-token", d' \
    "$WORK/stdout" || fail "agent info --json"
expect 0 "" "$MKSETUP" build "$UPD/product-v2.toml" --stub "$WORK/stub.exe" -o "$WORK/update/ProductSetup-2.exe"
sed "s|^setup_file = .*|setup_file = \"$WORK/update/ProductSetup-2.exe\"|" "$UPD/publish.toml" >"$WORK/publish.toml"
expect 0 "" "$MKSETUP" publish "$WORK/publish.toml" -o "$WORK/server" --json
python3 -c 'import json,os,sys; d=json.load(open(sys.argv[1])); assert d["ok"] and d["setup_size"] == os.path.getsize(d["setup"]), d
assert "SizeOfUpdateFile=%d\r\n" % d["setup_size"] in open(d["info"], newline="").read(), d' "$WORK/stdout" ||
    fail "publish --json"
cmp -s "$WORK/update/ProductSetup-2.exe" "$WORK/server/ProductSetup-2.exe" || fail "the published setup differs"
expect 0 "" "$MKSETUP" publish "$UPD/news.toml" -o "$WORK/news"
[ -s "$WORK/news/News.txt" ] && [ -s "$WORK/news/Product.INFO" ] || fail "the news edition lacks its files"
sed 's|^token = .*|token = "another-product"|' "$WORK/publish.toml" >"$WORK/wrong.toml"
expect 2 "package token" "$MKSETUP" publish "$WORK/wrong.toml" -o "$WORK/wrong"
[ ! -e "$WORK/wrong" ] || fail "a refused edition wrote $WORK/wrong"

# A flipped byte in the middle of the records.
python3 - "$SETUP" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) - 200] ^= 0xFF
open(sys.argv[1], "wb").write(data)
PY
expect 3 "$SETUP:" "$MKSETUP" verify "$SETUP"
expect 3 "" "$MKSETUP" verify --json "$SETUP"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["ok"] is False and "checksum" in d["error"], d' \
    "$WORK/stdout" || fail "verify --json on a damaged file"

[ "$failures" -eq 0 ] && echo "all CLI checks passed"
[ "$failures" -eq 0 ]
