#!/usr/bin/env bash
# Installs what is missing, builds a release into build/ and starts the
# service on port 9002 (pass --port N for another port).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
if [[ -x build/OrvaneEx ]]; then
  exec build/OrvaneEx "$@"
fi
echo "built build/libnpOrvane.so; the service host OrvaneEx is not part of this build yet"
