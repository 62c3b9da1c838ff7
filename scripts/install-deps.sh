#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quillmar need.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  cmake make g++ clang pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fontconfig
  xvfb xauth imagemagick x11-utils openbox wmctrl
  desktop-file-utils appstream librsvg2-bin dpkg-dev file libxml2-utils shared-mime-info gzip
  libclang-rt-14-dev python3
  libicu-dev libzip-dev libxml2-dev libfontconfig-dev nettle-dev
  # reading aloud: the speech service's client library, the service with its espeak-ng voice,
  # its audio output plugins and ALSA (whose "null" device the end-to-end test speaks to);
  # espeak-ng's own program tells the benchmark how long the voice takes to speak a text
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng speech-dispatcher-audio-plugins
  libasound2 espeak-ng
  # loaded when the first EPUB or HTML book is read
  libzip4 libxml2
  # the export's tests: epubcheck validates the EPUBs, pdftotext and pdffonts read the PDFs
  epubcheck poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
