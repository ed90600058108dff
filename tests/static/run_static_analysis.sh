#!/usr/bin/env bash
# Static analysis of pagevet's own code (src/): clang-tidy with the checked-in .clang-tidy,
# then cppcheck, both over the compile database of the static-analysis preset. Any finding
# fails the run; a finding silenced on purpose is silenced where it is, with its reason
# (.clang-tidy, tests/static/cppcheck-suppressions.txt).
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset static-analysis > /dev/null
database=build/static-analysis

echo "== clang-tidy"
run-clang-tidy-14 -clang-tidy-binary clang-tidy-14 -p "$database" -quiet "$PWD/src/"

echo "== cppcheck"
cppcheck --project="$database/compile_commands.json" \
    --std=c++20 --library=posix \
    --enable=warning,style,performance,portability \
    --inline-suppr --suppress=missingIncludeSystem \
    --suppressions-list=tests/static/cppcheck-suppressions.txt \
    --error-exitcode=1 --quiet \
    --template='{file}:{line}: {severity} ({id}): {message}'

echo "static analysis: clang-tidy and cppcheck found nothing"
