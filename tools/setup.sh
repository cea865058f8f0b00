#!/usr/bin/env bash
# Installs what the build needs on Debian 12 when it is missing.
# Usage: tools/setup.sh [test|bench|fuzz]...
set -euo pipefail

pkgs=(cmake ninja-build g++ pkg-config
      libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
      libvorbis-dev libvorbisenc2 libfluidsynth-dev timgm6mb-soundfont
      libpng-dev libjpeg62-turbo-dev zlib1g-dev libboost-dev)
for extra in "$@"; do
  case "$extra" in
    test) pkgs+=(libgtest-dev libgmock-dev) ;;
    bench) pkgs+=(libbenchmark-dev) ;;
    fuzz) pkgs+=(clang libclang-rt-14-dev) ;;
    *) echo "setup: unknown extra '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
elif command -v sudo >/dev/null; then
  sudo apt-get update -qq
  sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: these packages are missing and there is no way to install them: ${missing[*]}" >&2
  exit 1
fi
