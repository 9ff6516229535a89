#!/usr/bin/env bash
# Builds everything (the fuzz targets too) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (float-cast-overflow included) into
# build-sanitize/, then runs every test there. Any report stops the process
# that made it, so its test fails and so does this script.
set -euo pipefail
# Cache hits whatever folder the checkout is in.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$(dirname "$0")/.."
start=$SECONDS
sanitize="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
if [ ! -f build-sanitize/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  # The C shim stays uninstrumented: it is preloaded into plain programs too.
  CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only -fno-omit-frame-pointer $sanitize -fsanitize=fuzzer-no-link" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DPONTAVEL_FUZZ=ON "${launcher[@]}"
fi
cmake --build build-sanitize -j"$(nproc)"
echo "sanitize: build $((SECONDS - start)) s"
# Leaks are left to the soak test's figures: Qt and fontconfig keep caches
# until exit that LeakSanitizer would report.
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:detect_stack_use_after_return=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
tests=$SECONDS
(cd build-sanitize && ctest --output-on-failure)
echo "sanitize: tests $((SECONDS - tests)) s, stage $((SECONDS - start)) s"
