#!/usr/bin/env bash
# Builds the fuzzer with the fuzz preset and runs it from the committed seed corpus.
#
#   tests/fuzz/run_fuzzer.sh [SECONDS] [LIBFUZZER-OPTION]...
#
# SECONDS defaults to 120. Inputs that reach new code are kept in build/fuzz/corpus (the
# committed seeds are only read), crashes and broken invariants in build/fuzz/artifacts.
# Exits non-zero when the fuzzer found anything; its log names the input to replay:
#   build/fuzz/tests/fuzz/pagevet_fuzzer build/fuzz/artifacts/crash-...
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-120}
shift || true

cmake --workflow --preset fuzz
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"
exec "$out/tests/fuzz/pagevet_fuzzer" \
    -max_total_time="$seconds" \
    -dict=tests/fuzz/pagevet.dict \
    -max_len=8192 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -artifact_prefix="$out/artifacts/" \
    -print_final_stats=1 \
    "$@" \
    "$out/corpus" tests/fuzz/corpus
