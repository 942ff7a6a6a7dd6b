#!/bin/sh
# A setup file built with a recorded length can be Authenticode-signed
# afterwards: the signature verifies, and the package still verifies and
# extracts to the same files. Exits 77 (skipped) without the tools.
# usage: sign_test.sh MKSETUP SOURCE_DIR
set -eu
MKSETUP=$1
SRC=$2
for tool in osslsigncode openssl python3; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The signature needs a real PE image; its header is moved to 256 as the
# stub's is.
STUB="$SRC/build/win64/bin/stub.exe"
if [ ! -f "$STUB" ]; then
    command -v x86_64-w64-mingw32-gcc >/dev/null || { echo "skipped: no stub and no MinGW compiler"; exit 77; }
    printf 'int main(void) { return 0; }\n' >"$WORK/tiny.c"
    x86_64-w64-mingw32-gcc -Os -s -o "$WORK/tiny.exe" "$WORK/tiny.c"
    python3 "$SRC/cmake/place_pe_header.py" "$WORK/tiny.exe"
    STUB="$WORK/tiny.exe"
fi

mkdir -p "$WORK/files/sub"
echo "setup program stand-in" >"$WORK/files/setup.exe"
head -c 300000 /dev/urandom >"$WORK/files/sub/data.bin"
cat >"$WORK/project.toml" <<TOML
stub = "$STUB"
source = "files"
output = "Setup.exe"
[setup]
program = "setup.exe"
[package]
record_length = true
TOML
"$MKSETUP" build "$WORK/project.toml"
"$MKSETUP" extract "$WORK/Setup.exe" -o "$WORK/before"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/key.pem" -out "$WORK/cert.pem" -days 2 \
    -subj "/CN=mksetup signing test" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
osslsigncode sign -certs "$WORK/cert.pem" -key "$WORK/key.pem" -n "mksetup test" \
    -in "$WORK/Setup.exe" -out "$WORK/Signed.exe"
cmp -s "$WORK/Setup.exe" "$WORK/Signed.exe" && { echo "FAIL: signing changed nothing"; exit 1; }

osslsigncode verify -CAfile "$WORK/cert.pem" -in "$WORK/Signed.exe"
"$MKSETUP" verify "$WORK/Signed.exe"
"$MKSETUP" extract "$WORK/Signed.exe" -o "$WORK/after"
diff -r "$WORK/before" "$WORK/after"
echo "signed setup file verifies and extracts unchanged"
