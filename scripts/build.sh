#!/usr/bin/env bash
# Configures and builds the project into build/.
set -euo pipefail
# Cache hits whatever folder the checkout is in.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build build -j"$(nproc)"
