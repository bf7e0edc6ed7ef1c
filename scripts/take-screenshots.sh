#!/usr/bin/env bash
# Takes the screenshots in docs/ from the real program under Xvfb, with the
# sample game and mods of examples/. Needs xvfb and a Chinese font.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh" run
for package in xvfb xauth fonts-wqy-microhei; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package"; }
done
cmake -S "$top" -B "$top/build-shots" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build-shots" -j"$(nproc)" --target veldane_screenshots
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$top/build-shots/tests/veldane_screenshots" "$top/examples" "$top/docs"
