#!/usr/bin/env bash
# Installs the Debian 12 packages that Veldane needs, skipping those already
# present, so that it also works offline on a prepared machine.
#   install-deps.sh run    what building and starting Veldane needs
#   install-deps.sh test   that, plus what the test suite needs
#   install-deps.sh windows that, plus what scripts/build-windows.sh and
#                           scripts/test-windows.sh need
#   install-deps.sh fuzz   what building and starting needs, plus clang and libFuzzer
set -euo pipefail

packages=(build-essential cmake pkg-config qtbase5-dev libqt5sql5-sqlite libarchive-dev libxxhash-dev
          fonts-wqy-microhei qttools5-dev-tools qttools5-dev qttranslations5-l10n)
case "${1:-run}" in
test | windows)
    packages+=(g++-mingw-w64-x86-64-posix python3 zip exfat-fuse exfatprogs xfsprogs btrfs-progs)
    ;;&
windows)
    packages+=(gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev tcl wine64 nsis)
    ;;
fuzz)
    packages+=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
