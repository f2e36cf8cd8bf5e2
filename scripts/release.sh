#!/usr/bin/env bash
# Builds ZV_CheckFiles.exe for x64 and x86 in Release and writes the release:
#   DIST/x64/ZV_CheckFiles.exe, DIST/x86/ZV_CheckFiles.exe,
#   DIST/UpdateTutorialPath-VERSION.zip (both folders) and DIST/SHA256SUMS.
# The executables are the same byte for byte whichever folder they are built in.
# With SIGNING_CERTIFICATE (a PKCS#12 file) and SIGNING_PASSWORD set, both are
# signed with osslsigncode and their signatures verified before anything else
# is written. With TIMESTAMP_URL (an RFC 3161 server) the signatures are time
# stamped, so they stay valid after the certificate expires; TIMESTAMP_CA adds
# the CA certificates of a server that the system's roots do not hold.
#   scripts/release.sh [DIST]        (default: dist)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
dist=$(mkdir -p "${1:-dist}" && cd "${1:-dist}" && pwd)

bash scripts/setup.sh
for arch in x64 x86; do
    cmake --preset "release-$arch" >/dev/null
    cmake --build --preset "release-$arch"
done

version=$(sed -nE 's/^project\([^)]*VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for arch in x64 x86; do
    mkdir -p "$stage/$arch"
    cp "build/release/$arch/src/ui/ZV_CheckFiles.exe" "$stage/$arch/"
done

if [ -n "${SIGNING_CERTIFICATE:-}" ]; then
    : "${SIGNING_PASSWORD:?SIGNING_PASSWORD must go with SIGNING_CERTIFICATE}"
    # The verification trusts the system's roots and the certificate's own chain.
    printf '%s' "$SIGNING_PASSWORD" >"$stage/password"
    # Files exported by older tools use ciphers that OpenSSL 3 keeps apart.
    for legacy in "" -legacy; do
        openssl pkcs12 $legacy -in "$SIGNING_CERTIFICATE" -passin "file:$stage/password" -nokeys \
            -out "$stage/chain.pem" 2>"$stage/openssl.log" && break
    done
    [ -s "$stage/chain.pem" ] || { cat "$stage/openssl.log" >&2; exit 1; }
    cat /etc/ssl/certs/ca-certificates.crt >>"$stage/chain.pem" 2>/dev/null || true
    stamp=() stamp_ca=()
    if [ -n "${TIMESTAMP_URL:-}" ]; then
        stamp=(-ts "$TIMESTAMP_URL") stamp_ca=(-TSA-CAfile "$stage/tsa.pem")
        { cat ${TIMESTAMP_CA:+"$TIMESTAMP_CA"}; cat /etc/ssl/certs/ca-certificates.crt 2>/dev/null || true; } \
            >"$stage/tsa.pem"
    else
        echo "release: no TIMESTAMP_URL, so the signatures carry no time stamp and stop being valid when the certificate expires" >&2
    fi
    for arch in x64 x86; do
        exe="$stage/$arch/ZV_CheckFiles.exe"
        osslsigncode sign -pkcs12 "$SIGNING_CERTIFICATE" -readpass "$stage/password" -h sha256 \
            -n "UpdateTutorialPath" "${stamp[@]}" -in "$exe" -out "$exe.signed" >/dev/null
        mv "$exe.signed" "$exe"
        osslsigncode verify -in "$exe" -CAfile "$stage/chain.pem" "${stamp_ca[@]}" >"$stage/verify.log" 2>&1 ||
            { cat "$stage/verify.log" >&2; echo "release: the $arch signature does not verify" >&2; exit 1; }
        # The verification passes a time stamp that it cannot trust; the release does not.
        [ -z "${TIMESTAMP_URL:-}" ] || grep -q '^Timestamp Server Signature verification: ok' "$stage/verify.log" ||
            { cat "$stage/verify.log" >&2; echo "release: the $arch time stamp does not verify (TIMESTAMP_CA?)" >&2; exit 1; }
        echo "release: signed${TIMESTAMP_URL:+, time-stamped} and verified $arch/ZV_CheckFiles.exe"
    done
    rm -f "$stage/password" "$stage/chain.pem" "$stage/tsa.pem" "$stage/verify.log" "$stage/openssl.log"
fi

# The archive depends on the files alone: fixed times, sorted names, no extra fields.
zip_name="UpdateTutorialPath-$version.zip"
touch -d @"$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 315532800)" \
    "$stage"/x64 "$stage"/x86 "$stage"/*/ZV_CheckFiles.exe
(cd "$stage" && TZ=UTC zip -q -X -D "$zip_name" x64/ZV_CheckFiles.exe x86/ZV_CheckFiles.exe)
(cd "$stage" && sha256sum x64/ZV_CheckFiles.exe x86/ZV_CheckFiles.exe "$zip_name" >SHA256SUMS)

rm -rf "${dist:?}/x64" "$dist/x86" "$dist"/UpdateTutorialPath-*.zip "$dist/SHA256SUMS"
cp -rp "$stage/x64" "$stage/x86" "$stage/$zip_name" "$stage/SHA256SUMS" "$dist/"
echo "release: $dist"
cat "$dist/SHA256SUMS"
