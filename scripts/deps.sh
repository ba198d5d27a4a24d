#!/usr/bin/env bash
# Installs the Debian 12 packages vexlo needs to build, run and test, skipping the ones already
# present. Sourced by scripts/run and scripts/test; safe to run again.
set -euo pipefail

VEXLO_PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # Qt's own dialogs and buttons in Chinese
  qt6-translations-l10n
  libpugixml-dev libzip-dev zlib1g-dev libcups2-dev
  # ciphers and hashes of workbooks protected with the default password
  libgcrypt20-dev
  # cutting one PDF of many records into a PDF per record
  libqpdf-dev
  # e-mail: SMTP with TLS; the tests' own SMTP server
  libcurl4-openssl-dev python3-aiosmtpd
  # the mail password in the desktop keyring
  qtkeychain-qt6-dev
  libgtest-dev libgmock-dev
  # fuzzing (clang's libFuzzer runtime)
  clang libclang-rt-14-dev
  # clang 16: the first whose libstdc++ support has std::source_location
  clang-16 libclang-rt-16-dev
  # documents: .doc/.rtf/.odt conversion, PDF export, fixtures
  libreoffice-writer libreoffice-calc
  # the UNO C++ API (headers, cppumaker, libraries) for the warm offices
  libreoffice-dev
  # printing through a virtual PDF printer
  cups cups-client cups-bsd printer-driver-cups-pdf
  # fonts: the CJK serif face that stands in for 宋体; a TrueType face for the tests
  fonts-noto-cjk fonts-dejavu-core
  # display and checks: Xvfb for the smoke test, pdftotext, screenshots, packages taken apart;
  # qpdf (the program) to confirm how PDFs are protected
  xvfb xauth x11-utils xdotool poppler-utils qpdf imagemagick zip unzip
  # the Debian package: CPack's dependency scan, and the checks of the package and its files
  dpkg-dev fakeroot file lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${VEXLO_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "vexlo: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
