#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, 10 by default), within a memory limit (-rss_limit_mb). Exits
# non-zero when a target finds a fault; its reproducer is left in the build
# folder's fuzz-artifacts/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-10}
targets=(fuzz_settings_read fuzz_comma_list fuzz_date_format
  fuzz_jpeg_markers fuzz_tiff_pages fuzz_pdf_copy fuzz_ocr_page_image)
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DQUILBEX_FUZZ=ON -DQUILBEX_GUI=OFF \
  -DQUILBEX_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/fuzz-artifacts"
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  status=0
  "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/$target-" "$corpus" "$here/corpus/${target#fuzz_}" \
    >"$build/fuzz-artifacts/$target.log" 2>&1 || status=$?
  grep -E '^(==|INFO: seed|#[0-9]+ *DONE|stat::number_of_executed_units|SUMMARY|check failed)' \
    "$build/fuzz-artifacts/$target.log" || true
  if [ "$status" -ne 0 ]; then
    echo "$target found a fault (exit $status)"
    exit 1
  fi
done
echo "fuzzing: ${#targets[@]} targets ran ${seconds}s each without a fault"
