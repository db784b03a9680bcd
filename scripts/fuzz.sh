#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each for a bounded time on its seed corpus; a crash fails the run.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVERRANO_FUZZ=ON -DVERRANO_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=(fuzz_param_file fuzz_settings_file fuzz_answer_byte fuzz_reply_rules)
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

for t in "${targets[@]}"; do
    work="build-fuzz/corpus-$t"
    mkdir -p "$work"
    seeds="tests/fuzz/corpus/$t"
    echo "== $t for ${seconds}s"
    # The fuzzer's running commentary goes to a log; only a failure shows it.
    if ! "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work" $( [ -d "$seeds" ] && echo "$seeds" ) \
        > "build-fuzz/$t.log" 2>&1; then
        tail -n 60 "build-fuzz/$t.log"
        echo "fuzzing: $t failed" >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units' "build-fuzz/$t.log" || true
done
echo "fuzzing: ${#targets[@]} targets, no crash"
