#!/usr/bin/env bash
# The release command, run from a copy of the sources in another folder with a
# throwaway code-signing certificate made here. Its x64 and x86 executables,
# before signing, must be byte for byte those that the windows and windows-x86
# presets built in the repository; the signatures must verify; the release must
# hold both folders, the archive of both and matching checksums.
#   tests/release/release_test.sh      (after the windows and windows-x86 builds)
set -uo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source tests/checks.sh

# The sources as they are, committed or not, without the build trees.
mkdir "$work/copy"
git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$work/copy" -xf -

password=$(head -c 12 /dev/urandom | base64)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=UpdateTutorialPath throwaway signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" \
        -passout "pass:$password" || { echo "FAIL: cannot make a certificate"; exit 1; }

dist="$work/dist"
start=$(date +%s)
SIGNING_CERTIFICATE="$work/signer.pfx" SIGNING_PASSWORD=$password \
    bash "$work/copy/scripts/release.sh" "$dist" >"$work/release.log" 2>&1
released=$?
echo "release of both executables in a fresh folder, signed: $(($(date +%s) - start)) s"
check "the release command succeeds" test "$released" = 0 || { cat "$work/release.log"; exit 1; }

for pair in x64:windows x86:windows-x86; do
    arch=${pair%%:*} preset=${pair#*:}
    check "$arch: built in two folders, the same bytes" cmp \
        "$work/copy/build/release/$arch/src/ui/ZV_CheckFiles.exe" "build/$preset/src/ui/ZV_CheckFiles.exe"
    check "$arch: the signature verifies" eval \
        'osslsigncode verify -in "$dist/$arch/ZV_CheckFiles.exe" -CAfile "$work/cert.pem" >/dev/null 2>&1'
done
check "the checksums match" eval '(cd "$dist" && sha256sum --quiet -c SHA256SUMS)'
check "the archive holds both executables" test "$(zip -sf "$dist"/UpdateTutorialPath-*.zip |
    grep -c '^ *x[68][64]/ZV_CheckFiles.exe$')" = 2
exit $((failures > 0))
