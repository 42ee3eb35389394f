#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the normal build, the threaded
# tests under ThreadSanitizer, then every test under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8

bash scripts/setup.sh build -DKORVANIX_WERROR=ON
# Numbers must not follow the user's locale: the tests run one with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The tests that start analyses and data exports on their worker threads, under
# ThreadSanitizer: only their programs are built.
threaded=(tests/document_analysis_tests tests/gui/gui_analysis_run_tests
    tests/gui/gui_incoming_document_tests tests/gui/gui_graph_window_tests
    tests/gui/gui_pole_zero_tests)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANIX_TSAN=ON \
    -DKORVANIX_WERROR=ON
cmake --build build-tsan -j"$(nproc)" --target korvanix-cli korvanix-snapshot \
    "${threaded[@]##*/}"
for t in "${threaded[@]}"; do
    TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$PWD/tests/tsan.supp" QT_QPA_PLATFORM=offscreen \
        "build-tsan/$t" --gtest_brief=1
done

bash scripts/setup.sh build-asan -DKORVANIX_WERROR=ON -DKORVANIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
