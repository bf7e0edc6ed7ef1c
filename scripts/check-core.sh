#!/usr/bin/env bash
# Checks that the core library stays free of Qt Gui and Qt Widgets: veldane-cli
# links veldane_core and nothing else of ours, so a widget dependency that
# creeps into the core shows up in the libraries the tool loads.
#
#   check-core.sh <Linux build folder>
set -uo pipefail

build="${1:-}"
if [ -z "$build" ]; then
    echo "usage: $0 <Linux build folder>" >&2
    exit 2
fi
tool="$build/veldane-cli"
if [ ! -x "$tool" ]; then
    echo "check-core: $tool is missing; build the veldane-cli target first" >&2
    exit 2
fi
if ! libraries="$(ldd "$tool")"; then
    echo "check-core: ldd failed on $tool" >&2
    exit 2
fi
if forbidden="$(grep -E 'libQt5(Gui|Widgets)' <<<"$libraries")"; then
    echo "check-core: veldane-cli, and so veldane_core, links Qt Gui or Widgets:"
    sed 's/^/    /' <<<"$forbidden"
    exit 1
fi
echo "check-core: veldane-cli links neither Qt Gui nor Qt Widgets"
