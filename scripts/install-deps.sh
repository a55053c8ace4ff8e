#!/usr/bin/env bash
# Installs the Debian packages the program needs to build and run (and, with --test, to test).
set -euo pipefail
packages=(qt6-base-dev libsqlite3-dev libcurl4-openssl-dev qt6-pdf-dev qt6-translations-l10n
          cmake g++ make xdg-utils libgl-dev)
if [ "${1:-}" = "--test" ]; then
    packages+=(python3-aiosmtpd poppler-utils xvfb xauth locales)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
