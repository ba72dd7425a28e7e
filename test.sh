#!/usr/bin/env bash
# Builds everything and runs every test through CTest, then the engine tests again in an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMETRA_SANITIZE=OFF \
      -DLUMETRA_BUILD_FRONTEND=ON -DLUMETRA_BUILD_TESTS=ON -DLUMETRA_BUILD_BENCH=ON -DLUMETRA_BUILD_CLI=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLUMETRA_SANITIZE=ON \
      -DLUMETRA_BUILD_FRONTEND=OFF -DLUMETRA_BUILD_BENCH=OFF -DLUMETRA_BUILD_TESTS=ON -DLUMETRA_BUILD_CLI=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs")
