#!/usr/bin/env bash
# Every test: set-up, the -Werror build and its tests, the Debian package
# check (when lintian is installed), the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded engine tests
# with ThreadSanitizer, and the fuzz targets for a short, bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

# Every test stage writes its results here. The tests that skipped
# themselves (no permission, a tool missing...) are named at the very end,
# whatever else happened: a green run may still have left some out.
results=$(mktemp -d)
name_skipped() {
  local status=$?
  if python3 - "$results" <<'EOF'
import glob, sys, xml.etree.ElementTree as ET
names = []
for path in sorted(glob.glob(sys.argv[1] + "/*.xml")):
    stage = path.rsplit("/", 1)[1][:-4]
    try:
        cases = list(ET.parse(path).iter("testcase"))
    except ET.ParseError:
        names.append(f"  {stage}: (its results could not be read)")
        continue
    for case in cases:
        if case.find("skipped") is None and case.get("result") != "skipped":
            continue
        name, suite = case.get("name"), case.get("classname")
        names.append(f"  {stage}: {name if suite in (None, name) else suite + '.' + name}")
print(f"== skipped tests: {len(names)}")
print("\n".join(names))
EOF
  then :; else echo "(the test results could not be read)"; fi
  rm -rf "$results"
  exit "$status"
}
trap name_skipped EXIT

echo "== build and test"
scripts/build.sh
# The whole suite must reach every coverage mark (tests/engine/marks.txt).
QUILBEX_CHECK_MARKS=1 ctest --test-dir build --output-on-failure -j"$jobs" --timeout 900 \
  --output-junit "$results/build.xml"

echo "== Debian package"
if command -v lintian >/dev/null; then
  status=0
  packaging/check-package.sh || status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit "$status"
else
  echo "skipped: lintian is not installed"
fi

echo "== sanitizers (ASan+UBSan)"
# Debug (asserts on) but at -O1, as AddressSanitizer advises: the engine's
# pixel loops unoptimised made the OCR tests four times as slow. The
# sanitizers' reports need only functions and lines (-g1), which compiles a
# quarter faster than full debug information.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILBEX_WERROR=ON \
  -DQUILBEX_SANITIZE=ON -DQUILBEX_BENCH=OFF "-DCMAKE_C_FLAGS_DEBUG=-g1 -O1" \
  "-DCMAKE_CXX_FLAGS_DEBUG=-g1 -O1" >/dev/null
cmake --build build-asan -j"$jobs"
# The sample of every declared type is mostly LibreOffice's time, and the
# pictures among them are covered by the engine's own tests here. The two
# hostile pages that run into the rendering time limit would only wait out the
# sanitizers' longer limit (five times as long); the build above times them.
# The progress strip's screenshots measure time on screen, which sanitized
# code cannot keep to.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900 \
  -E '^PackageList/DeclaredType\.|HostileFile\.EndsInTimeWithinMemory/(forms_nested|line_segments)|^gui_progress_on_desktop$' \
  --output-junit "$results/asan.xml"

echo "== ThreadSanitizer (threaded engine tests only)"
# The printing worker and the OCR look-ahead are where threads meet; only their
# programs are built, to keep this stage short.
tsan_tests="engine_test_appprint_worker engine_test_ocr_ahead"
cmake -S . -B build-tsan -G Ninja -DQUILBEX_WERROR=ON -DQUILBEX_TSAN=ON \
  -DQUILBEX_GUI=OFF -DQUILBEX_BENCH=OFF "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
# shellcheck disable=SC2086
cmake --build build-tsan -j"$jobs" --target $tsan_tests
for test in $tsan_tests; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/bin/$test --gtest_brief=1 \
    --gtest_output="xml:$results/tsan-$test.xml"
done

echo "== fuzzing"
fuzz/run-all.sh
