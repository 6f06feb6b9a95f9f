#!/usr/bin/env bash
# Installs what is missing (the build's and the tests' packages), builds everything, and runs
# every test: once in a normal build (which also builds the Debian package and checks it with
# lintian), once under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for
# a short run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== Build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_TESTS=ON -DKALVORA_BENCH=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALVORA_SANITIZE=ON -DKALVORA_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -f tests/fuzz/CMakeLists.txt ]; then
  echo "== Fuzz targets (short run)"
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALVORA_FUZZ=ON -DKALVORA_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs"
  ctest --test-dir build-fuzz --output-on-failure -j "$jobs"
fi
