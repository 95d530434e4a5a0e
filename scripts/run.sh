#!/usr/bin/env bash
# Installs what Typovex needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target typovex

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: run it on a desktop, or under a virtual one with: xvfb-run -a build/typovex" >&2
  exit 1
fi
exec build/typovex
