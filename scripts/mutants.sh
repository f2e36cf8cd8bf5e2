#!/usr/bin/env bash
# Injects realistic one-line faults into the product, one at a time, and runs
# the tests for each: a fault that no test notices shows where the tests are
# blind. Not part of scripts/test.sh: a fault takes a build and a run of the
# suite (the host tests, then every Windows test under Wine, stopping at the
# first that fails), up to about 5 minutes.
#   scripts/mutants.sh [REGEX]       only the faults whose description matches (extended regex)
#   scripts/mutants.sh --check       that each fault's fragment is in its file once (lint)
# Works on a clone of the committed sources in a temporary folder, with the
# compilers' warnings not taken as errors (a fault may leave a name unused).
# Prints CAUGHT (with the tests that failed), SURVIVED or INVALID (the fault's
# fragment is not in the file once, or it does not build) for each, then a count.
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
pattern=${1:-}

# file | exact fragment of one line | its replacement | what the fault does
faults=$(cat <<'LIST'
src/platform/win32_file_system.cpp  =>      if (!Allows(options, L"flush") || !::FlushFileBuffers(out.get())) {  =>      if (!Allows(options, L"flush")) {  =>  the copy is not flushed before it takes the new name
src/platform/win32_file_system.cpp  =>      return ::FlushFileBuffers(out.get()) ? ERROR_SUCCESS : LastError();  =>      return ERROR_SUCCESS;  =>  the new name is not flushed before the old copy goes
src/platform/win32_file_system.cpp  =>          if (unflushed >= std::max(*operation.flushStep, kFirstFlushStepBytes)) {  =>          if (false) {  =>  the copy is flushed only at its end, so Exit waits for a long flush
src/platform/win32_file_system.cpp  =>  operation.options.ending->WaitFor(pause)) {  =>  (::Sleep(pause), false)) {  =>  the wait for a holder sleeps through Exit
src/platform/win32_file_system.cpp  =>          if (!WaitOutHolders(operation, source, readChunk)) {  =>          if (!readChunk()) {  =>  a locked range of the source is not waited for
src/platform/win32_file_system.cpp  =>      return waitForHolders && !WaitForNameToGo(operation, path) ? LastError() : ERROR_SUCCESS;  =>      return ERROR_SUCCESS;  =>  a held leftover's name is not waited for
src/platform/win32_file_system.cpp  =>  OpenToRemove(operation, destination, true, kShareAll, replaced)  =>  OpenToRemove(operation, destination, false, kShareAll, replaced)  =>  a held file at the new name is not waited for
src/platform/win32_file_system.cpp  =>      if (const DWORD failed = Reserve(out.get(), temporary, stamp.length)) {  =>      if (const DWORD failed = ERROR_SUCCESS) {  =>  the temporary is not sized first
src/platform/win32_file_system.cpp  =>              !Unchanged(copied->stamp, StampOf(InfoOf(old.file.get())))) {  =>              false) {  =>  the old copy is deleted whether or not it changed since its copy
src/platform/win32_file_system.cpp  =>          departing.Stay();  =>          ;  =>  a file refused its move aside loses read-only
src/platform/win32_file_system.cpp  =>      MakeWritable(file);  =>      ;  =>  a read-only file is deleted as it is
src/platform/win32_file_system.cpp  =>  if (info.nNumberOfLinks != 1 || HasAttribute  =>  if (HasAttribute  =>  a second hard link is not refused
src/platform/win32_file_system.cpp  =>      return LiesDirectlyIn({folderNt, fileNt, folderDos, fileDos},  =>      return true || LiesDirectlyIn({folderNt, fileNt, folderDos, fileDos},  =>  a file is not checked to lie where its path says
src/platform/win32_file_system.cpp  =>  if (isFolder(source) || isFolder(destination)) {  =>  if (isFolder(source)) {  =>  a folder at the new name is not refused
src/platform/win32_file_system.cpp  =>      ScopeExit discardTemporary([&] { static_cast<void>(DeleteThrough(options, out.get(), true)); });  =>      ScopeExit discardTemporary([&] {});  =>  a failed copy leaves its temporary file
src/platform/win32_file_system.cpp  =>              return RenameThrough(out.get(), destination, true);  =>              return RenameThrough(out.get(), destination, false);  =>  the copy does not replace a file at the new name
src/platform/file_identity.h  =>      const bool inVolumeForm = !paths.folderNt.empty() && !paths.fileNt.empty();  =>      const bool inVolumeForm = false;  =>  final paths are compared in the drive-letter form alone
src/platform/file_identity.h  =>      return first.fileIndex != 0 && first.volumeSerial == second.volumeSerial &&  =>      return true || first.volumeSerial == second.volumeSerial ||  =>  a reopened reparse file is not checked to be the same file
src/platform/file_identity.h  =>      return (attributes & kAttributeReparsePoint) != 0 && (reparseTag & 0x20000000u) != 0;  =>      return false;  =>  a junction or symbolic link reparse point is read as a file
src/platform/desktop.h  =>      return !flagsKnown || (flags & kVisible) != 0;  =>      return true;  =>  a window is shown where nobody sees it
src/platform/runtime_error.h  =>          held += (held.empty() ? L" Held by: " : L", ") + name;  =>          static_cast<void>(name);  =>  the programs that hold a file are not named
src/ui/main_window.cpp  =>      const platform::ScopeExit mayRest([] { ::SetThreadExecutionState(ES_CONTINUOUS); });  =>      const platform::ScopeExit mayRest([] {});  =>  the power request is never cleared
src/platform/win32_desktop.cpp  =>  void Win32Desktop::StopWork() {  =>  void Win32Desktop::StopWork() { return;  =>  the session's end does not stop the copy
src/platform/win32_desktop.cpp  =>      while (!quitting_) {  =>      while (true) {  =>  the window's thread spins while it quits
src/ui/main_window.cpp  =>      const std::wstring whole = WholeStatus();  =>      const std::wstring whole = statusText_;  =>  Ctrl+C copies the status text without its cause
src/ui/main_window.cpp  =>  kDescription, whole.c_str());  =>  kDescription, statusText_.c_str());  =>  the accessible description lacks the cause
src/ui/main_window.cpp  =>                  : end == migration::RunEnd::Failed ? errorNumber  =>                  : end == migration::RunEnd::Failed ? 0  =>  a failed run exits with 0
src/ui/main_window.cpp  =>      ::PostQuitMessage(running_ ? kExitNoRunEnded : exitCode_);  =>      ::PostQuitMessage(exitCode_);  =>  a run left by Exit exits as if it had ended
src/ui/main_window.cpp  =>      return (highContrastFlags & HCF_HIGHCONTRASTON) != 0 || !ReadsOnWhite(windowText) ||  =>      return !ReadsOnWhite(windowText) ||  =>  high contrast is ignored
src/ui/main_window.cpp  =>  size <= kNotifyLegibleHundredthsOfPoint  =>  size < kNotifyLegibleHundredthsOfPoint  =>  the status font shrinks below 8 pt
src/ui/main_window.cpp  =>      if (running_) {  =>      if (false) {  =>  a click let through by a run's event pass starts a nested run
src/ui/run_progress.h  =>  std::min(copiedBytes - start_, total_)  =>  std::min(copiedBytes, total_)  =>  the taskbar counts from the program's start, not the run's
src/ui/run_progress.h  =>          state_ = end == migration::RunEnd::Failed ? ProgressState::Error : ProgressState::None;  =>          state_ = ProgressState::None;  =>  a failed run does not show on the taskbar
src/ui/main.cpp  =>  waited < kWaitForEndingCopyMs;  =>  waited < 0;  =>  a start does not wait for a copy that is ending
src/migration/tutorial_migration.cpp  =>                  return Continue(copied);  =>                  return Continue(s_.files.RemoveFile(candidate));  =>  a failed copy still deletes the old copy
src/migration/tutorial_migration.cpp  =>              return Continue(s_.files.RemoveFile(candidate));  =>              return true;  =>  the old copy is never deleted
src/migration/tutorial_migration.cpp  =>  step.error().number == platform::error::kPathFileAccess ||  =>  false ||  =>  an existing folder (75) stops the run
src/migration/tutorial_migration.cpp  =>          s_.status.Write(WithErrorReport(s_.status.Read(), failure), failure.cause);  =>          s_.status.Write(WithErrorReport(s_.status.Read(), failure), {});  =>  a failure is reported without its cause
src/migration/file_exist.cpp  =>      if (failure.number == platform::error::kFileNotFound) {  =>      if (failure.number == platform::error::kPathNotFound) {  =>  the probe shows a box for a missing file
LIST
)

# Applies a fault in place; fails, changing nothing, unless its fragment is in the file once.
apply() { # file fragment replacement [--check]
    python3 - "$@" <<'PY'
import sys
path, fragment, replacement = sys.argv[1:4]
text = open(path).read()
if text.count(fragment) != 1:
    sys.exit(1)
if len(sys.argv) == 4:
    open(path, "w").write(text.replace(fragment, replacement))
PY
}
# Calls the command with file, fragment, replacement and description set, for each fault.
each_fault() {
    while IFS=$'\t' read -r file fragment replacement description; do
        [ -n "$file" ] && "$@"
    done < <(sed 's/  =>  /\t/g' <<<"$faults")
}

if [ "$pattern" = --check ]; then
    stale=0
    check_one() {
        apply "$file" "$fragment" "" --check ||
            { echo "mutants: not once in $file: $description"; stale=$((stale + 1)); }
    }
    each_fault check_one
    echo "mutants: $(wc -l <<<"$faults") faults listed, $stale stale"
    exit $((stale > 0))
fi

work=$(mktemp -d)
state="$work/src/build/windows/wine"
trap 'cmake/wine-session.sh down "$state" >/dev/null 2>&1; rm -rf "$work"' EXIT
git clone -q "$repo" "$work/src" || exit 1
cd "$work/src"
build() {
    cmake --preset host >/dev/null && cmake --build --preset host >/dev/null &&
        cmake --preset windows -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF >/dev/null &&
        cmake --build --preset windows >/dev/null
}
# The suite, stopping at the first test that fails; prints the names of the failed tests.
failing() {
    { ctest --preset host --stop-on-failure 2>&1 && ctest --preset windows --stop-on-failure 2>&1; } |
        awk '/tests FAILED:/ { listed = 1; next }
             listed && / - / { sub(/^[ \t]*[0-9]+ - /, ""); sub(/ \(.*\)$/, ""); printf "%s%s", sep, $0; sep = ", " }'
}
echo "mutants: building and testing the clean sources in $work/src"
build || { echo "mutants: the clean sources do not build"; exit 1; }
clean=$(failing)
[ -z "$clean" ] || { echo "mutants: the clean sources fail: $clean"; exit 1; }
cmake/wine-session.sh down "$state" >/dev/null 2>&1

caught=0 survived=0 invalid=0
try_one() {
    [[ "$description" =~ $pattern ]] || return 0
    if ! apply "$file" "$fragment" "$replacement"; then
        echo "INVALID   $description (the fragment is not in $file once)"
        invalid=$((invalid + 1))
        return
    fi
    local start=$SECONDS failed
    if ! build; then
        echo "INVALID   $description (does not build)"
        invalid=$((invalid + 1))
    else
        failed=$(failing)
        if [ -n "$failed" ]; then
            echo "CAUGHT    $description ($((SECONDS - start)) s): $failed"
            caught=$((caught + 1))
        else
            echo "SURVIVED  $description ($((SECONDS - start)) s)"
            survived=$((survived + 1))
        fi
    fi
    git checkout -q -- "$file"
    cmake/wine-session.sh down "$state" >/dev/null 2>&1
}
each_fault try_one
echo "mutants: $caught caught, $survived survived, $invalid invalid"
