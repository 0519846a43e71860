#!/bin/bash
# Installs what is missing, then builds Quorvel and runs every check:
#   1. the sources are formatted as .clang-format says (clang-format --dry-run --Werror);
#   2. the whole suite on a Debug build with warnings as errors;
#   3. the whole suite again under AddressSanitizer (leaks detected) and UndefinedBehaviorSanitizer;
#   4. a Release build, tests included, with warnings as errors (the optimiser finds warnings Debug does not);
#   5. each libFuzzer target for QUORVEL_FUZZ_SECONDS (default 60) on its corpus;
#   6. the Debian package: built, checked by lintian, its desktop entry and metainfo validated.
# QUORVEL_CHECKS=suite runs only the first two stages (a quick check while developing).
set -eu
# A failing ctest must fail the pipe it stands in.
set -o pipefail
cd "$(dirname "$0")/.."
CHECKS=${QUORVEL_CHECKS:-all}
FUZZ_SECONDS=${QUORVEL_FUZZ_SECONDS:-60}

scripts/install-deps.sh --all

stage() { printf '\n== %s ==\n' "$1"; }

stage "Formatting"
# Prints only the files that differ from their formatted form. In a git work tree the tracked sources; in a copy
# without git (a release tarball), every source under the project's own folders.
sources() {
    if command -v git >/dev/null 2>&1 && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z '*.cpp' '*.h'
    else
        find . \( -path './build*' -o -path ./out -o -path ./.git -o -path ./Testing \) -prune -o \
            -type f \( -name '*.cpp' -o -name '*.h' \) -print0
    fi
}
sources | xargs -0 clang-format --dry-run --Werror
echo "every C++ source is formatted"

stage "Build and test (Debug, warnings as errors)"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_WERROR=ON -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-test -- --quiet
(cd build-test && ctest --output-on-failure -j2) | tee build-test/ctest.log
[ "$CHECKS" = "suite" ] && exit 0

stage "Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_WERROR=ON -DQUORVEL_SANITIZE=ON \
    -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -- --quiet
(cd build-asan && ctest --output-on-failure -j2) | tee build-asan/ctest.log

stage "Release build, warnings as errors"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -- --quiet
echo "release build free of warnings"

stage "Fuzzing, ${FUZZ_SECONDS} s per target"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON \
    -DQUORVEL_BUILD_UI=OFF -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -- --quiet
for fuzzer in build-fuzz/fuzz/fuzz_*; do
    name=$(basename "$fuzzer" | sed 's/^fuzz_//')
    work=$(mktemp -d)
    echo "fuzz $name"
    "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 -artifact_prefix="$work/" "$work" \
        "fuzz/corpus/$name" 2>"$work/log" || { tail -40 "$work/log"; exit 1; }
    grep -E "^stat::number_of_executed_units" "$work/log" || true
    rm -rf "$work"
done

if [ -f packaging/check-package.sh ]; then
    stage "Debian package"
    packaging/check-package.sh
fi

stage "Summary"
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$1"; }
plain=$(count build-test/ctest.log)
sanitized=$(count build-asan/ctest.log)
echo "All checks passed: formatting, $plain tests, again $sanitized under the sanitizers, the Release build," \
    "the fuzzers and the package."
echo "tests: $((plain + sanitized)) passed, 0 failed"
