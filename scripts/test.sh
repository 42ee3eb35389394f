#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the normal build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8

bash scripts/setup.sh build -DKORVANIX_WERROR=ON
# Numbers must not follow the user's locale: the tests run one with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
ctest --test-dir build --output-on-failure -j"$(nproc)"

bash scripts/setup.sh build-asan -DKORVANIX_WERROR=ON -DKORVANIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
