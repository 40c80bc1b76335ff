#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, and generates
# the zh_CN.UTF-8 and en_US.UTF-8 locales (Wine takes its ANSI code page from
# the locale: 936, and 1252 for the scenario of a wrong code page).
# The peers traders run are mostly 32-bit, so the tests need Wine's 32-bit side
# (wine32 from the i386 architecture) and a 32-bit cross compiler as well.
# Installs nothing that is already there; safe to run again.
set -euo pipefail

packages=(
  cmake make g++ googletest libgtest-dev libbenchmark-dev python3
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei locales
  zip unzip clang-format clang libclang-rt-14-dev
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# zh_CN.UTF-8 gives Wine its ANSI code page 936; en_US.UTF-8 (1252) is the
# wrong one a scenario starts the program under, to see it warn.
for loc in zh_CN en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
    $sudo sed -i "s/^# *$loc.UTF-8 UTF-8/$loc.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
done
