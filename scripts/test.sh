#!/usr/bin/env bash
# Every test: set-up, the -Werror build and its tests, the Debian package
# check (when lintian is installed), the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded engine tests
# with ThreadSanitizer, and the fuzz targets for a short, bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== build and test"
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 900

echo "== Debian package"
if command -v lintian >/dev/null; then
  status=0
  packaging/check-package.sh || status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit "$status"
else
  echo "skipped: lintian is not installed"
fi

echo "== sanitizers (ASan+UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILBEX_WERROR=ON \
  -DQUILBEX_SANITIZE=ON -DQUILBEX_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# The sample of every declared type is mostly LibreOffice's time, and the
# pictures among them are covered by the engine's own tests here.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900 -E '^PackageList/DeclaredType\.'

echo "== ThreadSanitizer (threaded engine tests only)"
# The printing worker and the OCR look-ahead are where threads meet; only their
# programs are built, to keep this stage short.
tsan_tests="engine_test_appprint_worker engine_test_ocr_ahead"
cmake -S . -B build-tsan -G Ninja -DQUILBEX_WERROR=ON -DQUILBEX_TSAN=ON \
  -DQUILBEX_GUI=OFF -DQUILBEX_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build build-tsan -j"$jobs" --target $tsan_tests
for test in $tsan_tests; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/bin/$test --gtest_brief=1
done

echo "== fuzzing"
fuzz/run-all.sh
