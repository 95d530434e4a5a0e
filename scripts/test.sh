#!/usr/bin/env bash
# Installs what Typovex and its tests need, builds it twice (optimised with assertions on, then with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole test suite on both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh --tests
jobs=$(nproc)

echo "== build (RelWithDebInfo, assertions on)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTYPOVEX_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTYPOVEX_SANITIZE=ON -DTYPOVEX_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under the sanitizers"
# End-to-end checks drive the optimised program; the sanitizer run covers the unit tests.
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE e2e
