#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows toolset under wine, beside the Linux one: the Windows sweep runs
# a short sweep of the Windows benchmark beside it and writes a result file; the Linux
# compare reads it beside a Linux file, and the Windows compare gives the
# same table (line ends aside); a benchmark that hangs is ended at its
# time-out and the sweep goes on; a sweep killed outright leaves a checkpoint
# that --resume completes, and no benchmark behind.
# Usage: windows_toolset.sh WINDOWS_BUILD LINUX_BUILD HANGING_EXE, with wine's
# environment (WINEPREFIX, ...) set and SIEVEBENCH_WINE naming its loader.
set -euo pipefail
win=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
hanging=$(realpath "$3")
wine=${SIEVEBENCH_WINE:?the wine loader}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
  echo "windows_toolset: $*" >&2
  for log in *.out; do
    [ -s "$log" ] && { echo "--- $log"; tail -20 "$log"; } >&2
  done
  exit 1
}
runs_in() {
  grep -c '"loop_counter"' "$1" || true
}

"$wine" "$win/sievebench-sweep.exe" --limits 1e4,1e5 --repeat 3 --label windows --json windows.json >sweep.out 2>&1 ||
  fail "the Windows sweep failed"
grep -q '"complete": true' windows.json || fail "the Windows result file is not complete"
grep -q '"os": "Windows' windows.json || fail "the Windows result file does not name Windows"
grep -q '"timer_resolution_ms": [1-9]' windows.json || fail "the Windows result file has no timer step"
[ "$(runs_in windows.json)" -eq 8 ] || fail "the Windows result file holds $(runs_in windows.json) runs, not 8"

"$linux/sievebench-sweep" --limits 1e4,1e5 --repeat 3 --label linux --json linux.json >linux-sweep.out 2>&1 ||
  fail "the Linux sweep failed"
"$linux/sievebench-compare" linux.json windows.json >linux-view.txt 2>compare.out ||
  fail "the Linux compare refused the Windows file"
"$wine" "$win/sievebench-compare.exe" linux.json windows.json >windows-view.txt 2>compare-exe.out ||
  fail "the Windows compare refused a file"
tr -d '\r' <windows-view.txt | cmp - linux-view.txt >/dev/null ||
  fail "the two compares differ: $(tr -d '\r' <windows-view.txt | diff - linux-view.txt | head -5)"

start=$SECONDS
status=0
"$wine" "$win/sievebench-sweep.exe" --program "$hanging" --limits 1e3,1e4 --repeat 1 --warmup 0 \
  --timeout 2 --json hang.json >hang.out 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a sweep of a hanging benchmark ended with $status, not 1"
[ "$(grep -c 'stopped after the time-out' hang.out)" -eq 2 ] || fail "not both runs were ended at their time-out"
[ $((SECONDS - start)) -lt 30 ] || fail "the time-outs took $((SECONDS - start)) s"

"$wine" "$win/sievebench-sweep.exe" --limits 1e6 --repeat 30 --json cut.json >cut.out 2>&1 &
sweep=$!
for _ in $(seq 600); do
  [ -s cut.json ] && [ "$(runs_in cut.json)" -ge 3 ] && break
  sleep 0.1
done
kill -KILL "$sweep"
wait "$sweep" 2>/dev/null || true
grep -q '"complete": false' cut.json || fail "the checkpoint of a killed sweep does not say it is incomplete"
cut=$(runs_in cut.json)
# Wine names a process by its Windows path; a dead one that no one has
# reaped yet (state Z) is no survivor.
benchmark="Z:$(tr / '\\' <<<"$win")\\sievebench.exe"
survivors() {
  ps -eo pid=,stat=,args= | BENCHMARK=$benchmark awk '$2 !~ /^Z/ && $3 == ENVIRON["BENCHMARK"]'
}
for _ in $(seq 50); do
  [ -z "$(survivors)" ] && break
  sleep 0.1
done
[ -z "$(survivors)" ] || fail "a benchmark outlived its killed sweep: $(survivors)"
"$wine" "$win/sievebench-sweep.exe" --resume cut.json >resume.out 2>&1 || fail "the resume failed"
grep -q '"complete": true' cut.json || fail "the resumed file is not complete"
[ "$(runs_in cut.json)" -eq 31 ] || fail "the resumed file holds $(runs_in cut.json) runs, not 31"

# The Windows archive: the Windows sweep adds its file, the Linux file goes
# in beside it, and the Windows history and export read as the Linux ones.
"$wine" "$win/sievebench-sweep.exe" --limits 1e4 --repeat 3 --label windows-archived --json archived.json \
  --archive windows.db >archived.out 2>&1 || fail "the Windows sweep with --archive failed"
grep -q '^added archived.json: windows-archived at' archived.out || fail "the Windows sweep did not archive its file"
"$wine" "$win/sievebench-archive.exe" add windows.db linux.json >archive-add.out 2>&1 || fail "the Windows archive refused a Linux file"
"$wine" "$win/sievebench-archive.exe" history windows.db --json windows-history.json >archive-history.out 2>&1 ||
  fail "the Windows history failed"
"$linux/sievebench-archive" history windows.db --json linux-history.json >archive-linux.out 2>&1 ||
  fail "the Linux archive cannot read the Windows archive"
cmp windows-history.json linux-history.json >/dev/null || fail "the two histories differ"
"$wine" "$win/sievebench-archive.exe" export windows.db --machine linux --date "$(sed -n 's/.*"date": "\(.*\)",/\1/p' linux.json)" \
  -o back.json >archive-export.out 2>&1 || fail "the Windows export failed"
"$linux/sievebench-compare" back.json linux.json >/dev/null 2>&1 || fail "compare refused the Windows export"
echo "windows_toolset: sweep, both compares alike, time-outs, a resume after $cut of 31 runs, and the archive"
