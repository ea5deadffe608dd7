#!/usr/bin/env bash
# Installs every build and runtime dependency from Debian packages.
# Idempotent and non-interactive: does nothing when everything is there.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  # Qt 6: widgets, SQL with the Firebird driver, serial port, multimedia, charts, printing
  qt6-base-dev qt6-base-dev-tools libqt6sql6-ibase qt6-serialport-dev qt6-multimedia-dev
  qt6-charts-dev libqt6opengl6-dev
  # TIFF (and other) image readers for the command-line analyser
  qt6-image-formats-plugins
  # camera controls on Linux
  libv4l-dev
  # Firebird 3 server, tools and client/embedded engine
  firebird3.0-server firebird3.0-utils firebird-dev
  # settings file, benchmarks
  libsimpleini-dev libbenchmark-dev
  libfftw3-dev  # the Fourier transform of the cell-spacing estimate
  # headless GUI, fonts, report rendering checks
  xvfb xauth fonts-dejavu-core poppler-utils imagemagick
  # driving the real program under Xvfb in the smoke test
  xdotool
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# The Firebird server package must not ask for a password.
echo "firebird3.0-server shared/firebird/enabled boolean true" | $SUDO debconf-set-selections 2>/dev/null || true
$SUDO apt-get update -q
$SUDO apt-get install -y -q "${missing[@]}"
