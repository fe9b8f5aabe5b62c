#!/usr/bin/env bash
# Installs every Debian package the build, the programs and the tests need.
# Idempotent: when everything is present it only checks, quietly.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  # The layout check of the sources (tests/style/format_test.sh).
  clang-format
  libgtest-dev
  socat
  python3 python3-pymodbus python3-serial-asyncio
  libmodbus-dev mbpoll
  nlohmann-json3-dev
  qt6-base-dev qt6-serialport-dev libgl-dev fonts-dejavu-core
  # Qt's own texts (file dialogs, standard buttons) in the display language.
  qt6-translations-l10n
  # A Japanese font for the Japanese language module (small, no extra packages).
  fonts-vlgothic
  # Locale sources and the C library's translations: the language tests build
  # de_DE and ja_JP locales of their own and read system messages in Japanese.
  locales libc-l10n
  xvfb xauth
  # The manual pages, the Debian package and its checks (scripts/package.sh),
  # and the file-type check of the installed package.
  help2man dpkg-dev lintian desktop-file-utils appstream man-db
  shared-mime-info libglib2.0-bin
  # The commissioning report's PDF read back in the tests (pdftotext, pdffonts).
  poppler-utils
  # The plant file, and the Ansible collection's tests.
  libyaml-cpp-dev ansible-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
