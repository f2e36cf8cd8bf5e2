#!/usr/bin/env bash
# The release command, run from a copy of the sources in another folder with a
# throwaway code-signing certificate and a time-stamp server made here. Its x64
# and x86 executables, before signing, must be byte for byte those that the
# windows and windows-x86 presets built in the repository; the signatures must
# verify, and still verify once the certificate has expired; the release must
# hold both folders, the archive of both and matching checksums. Without a
# time-stamp server the release must say that its signatures will expire; with
# one that the system does not trust it must fail.
#   tests/release/release_test.sh      (after the windows and windows-x86 builds)
set -uo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
work=$(mktemp -d)
tsa_pid=
trap '[ -z "$tsa_pid" ] || { kill "$tsa_pid"; wait "$tsa_pid"; }; rm -rf "$work"' EXIT
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

# An RFC 3161 server on this machine: openssl answers each request.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=UpdateTutorialPath throwaway time stamps" \
    -addext "extendedKeyUsage=critical,timeStamping" -keyout "$work/tsa-key.pem" -out "$work/tsa.pem" \
    2>/dev/null || { echo "FAIL: cannot make a time-stamp certificate"; exit 1; }
printf '%s\n' "[tsa]" "default_tsa = local" "[local]" "serial = $work/tsa.serial" "signer_cert = $work/tsa.pem" \
    "signer_key = $work/tsa-key.pem" "signer_digest = sha256" "default_policy = 1.2.3.4.1" "digests = sha256" \
    >"$work/tsa.cnf"
python3 - "$work/tsa.cnf" >"$work/tsa.port" 2>"$work/tsa.log" <<'EOF' &
import http.server, subprocess, sys
class Reply(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, stdout=subprocess.PIPE).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(("127.0.0.1", 0), Reply)
print(server.server_port, flush=True)
server.serve_forever()
EOF
tsa_pid=$!
for _ in $(seq 100); do [ -s "$work/tsa.port" ] && break; sleep 0.1; done
[ -s "$work/tsa.port" ] || { echo "FAIL: the time-stamp server does not start"; cat "$work/tsa.log"; exit 1; }

dist="$work/dist"
start=$(date +%s)
SIGNING_CERTIFICATE="$work/signer.pfx" SIGNING_PASSWORD=$password \
    TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")" TIMESTAMP_CA="$work/tsa.pem" \
    bash "$work/copy/scripts/release.sh" "$dist" >"$work/release.log" 2>&1
released=$?
echo "release of both executables in a fresh folder, signed and time-stamped: $(($(date +%s) - start)) s"
check "the release command succeeds" test "$released" = 0
# check counts a failure but returns 0, so the log goes out here.
test "$released" = 0 || { cat "$work/release.log" "$work/tsa.log"; exit 1; }

for pair in x64:windows x86:windows-x86; do
    arch=${pair%%:*} preset=${pair#*:}
    check "$arch: built in two folders, the same bytes" cmp \
        "$work/copy/build/release/$arch/src/ui/ZV_CheckFiles.exe" "build/$preset/src/ui/ZV_CheckFiles.exe"
    check "$arch: the signature verifies" eval \
        'osslsigncode verify -in "$dist/$arch/ZV_CheckFiles.exe" -CAfile "$work/cert.pem" >/dev/null 2>&1'
    # A day after the two-day certificate ends only a trusted time stamp keeps the signature valid.
    check "$arch: the signature verifies once the certificate has expired" eval \
        'osslsigncode verify -in "$dist/$arch/ZV_CheckFiles.exe" -CAfile "$work/cert.pem" \
            -TSA-CAfile "$work/tsa.pem" -time $(($(date +%s) + 3 * 86400)) >/dev/null 2>&1'
done
check "the checksums match" eval '(cd "$dist" && sha256sum --quiet -c SHA256SUMS)'
check "the archive holds both executables" test "$(zip -sf "$dist"/UpdateTutorialPath-*.zip |
    grep -c '^ *x[68][64]/ZV_CheckFiles.exe$')" = 2

# The build trees are up to date now, so these releases only sign.
TIMESTAMP_URL= SIGNING_CERTIFICATE="$work/signer.pfx" SIGNING_PASSWORD=$password \
    bash "$work/copy/scripts/release.sh" "$work/unstamped" >"$work/unstamped.log" 2>&1
released=$?
check "without TIMESTAMP_URL the release succeeds and says its signatures will expire" eval \
    'test "$released" = 0 && grep -q "no time stamp.*certificate expires" "$work/unstamped.log"'
# osslsigncode verify passes a time stamp whose server it does not trust.
SIGNING_CERTIFICATE="$work/signer.pfx" SIGNING_PASSWORD=$password \
    TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")" \
    bash "$work/copy/scripts/release.sh" "$work/untrusted" >"$work/untrusted.log" 2>&1
released=$?
check "a time stamp that the system does not trust fails the release" eval \
    'test "$released" != 0 && grep -q "time stamp does not verify" "$work/untrusted.log"'
exit $((failures > 0))
