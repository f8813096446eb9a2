#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-test/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON -DORVANE_TESTS=ON >/dev/null
cmake --build build-test
cd build-test
ctest --output-on-failure -j"$(nproc)" "$@"
