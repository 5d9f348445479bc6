#!/usr/bin/env bash
# Builds the tool and starts it from its build folder. Without a frame attached (and
# without VIRETO_DEVICE) it runs on the built-in virtual frame.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/setup.sh"

args=("$@")
if [ -z "${VIRETO_DEVICE:-}" ] && ! printf '%s\n' "$@" | grep -q '^--device='; then
    args=(--device=sim "${args[@]}")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [[ "${QT_QPA_PLATFORM:-}" != offscreen* ]]; then
    echo "No display available: the tool is a desktop program. Run it from a desktop session," >&2
    echo "or under a virtual display: xvfb-run -s '-screen 0 1920x1080x24' ./run.sh" >&2
    exit 1
fi

exec "${VIRETO_BUILD_DIR:-$top/build}/bin/vireto" "${args[@]}"
