#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The comparison page in a real browser, offline: two short real sweeps (one
# of them run on tmpfs) make a page whose dumped DOM must hold the machines,
# every row and the charts; a listener registered before the page's own
# policy must record no violation (and does record a planted one); labels
# and CPU names that are markup show as text, and the marker their scripts
# would set stays absent even with the policy taken out (while a planted
# script does set it); the archive's history page of the same files keeps
# its policy and the same text inert; screenshots at 800 and 1600 pixels are
# not blank.
# Usage: report_in_browser.sh BUILD_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
browser=$(command -v chromium-headless-shell || echo /usr/lib/chromium/chromium-headless-shell)
[ -x "$browser" ] || { echo "chromium-headless-shell is not installed (tools/install-deps installs it)" >&2; exit 1; }

work=$(mktemp -d)
tmpfs=$(mktemp -d /dev/shm/sievebench-report-XXXXXX 2>/dev/null || mktemp -d)
# KEEP=1 keeps the pages, their DOMs and the browser's logs to look at.
trap '[ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work" "$tmpfs"' EXIT
cd "$work"

fail() {
  echo "report_in_browser: $*" >&2
  exit 1
}

# The browser with no network at all: every name resolves to nothing and
# every connection goes to a closed proxy, so the test cannot depend on one.
browse() {
  "$browser" --no-sandbox --disable-gpu --hide-scrollbars --no-first-run --disable-extensions \
    --disable-background-networking --user-data-dir="$work/profile" \
    --host-resolver-rules="MAP * ~NOTFOUND" --proxy-server=127.0.0.1:9 \
    --enable-logging=stderr --v=0 "$@"
}
# The DOM after the page has loaded (and run whatever it could), and the
# browser's console on the side.
dump() {
  browse --dump-dom "file://$work/$1" >"$1.dom" 2>"$1.log"
}
# How often `text` stands in `file`, as a fixed string.
occurrences() {
  grep -oF -- "$2" "$1" | wc -l
}
# The part of a dumped page from `id="table"` to its </table>.
table_of() {
  sed -n "/id=\"$2\"/,/<\/table>/p" "$1"
}

"$bin/sievebench-sweep" --program "$bin/sievebench" --limits 1e4,1e5 --repeat 6 --label disk --json disk.json \
  >/dev/null 2>&1 || fail "the sweep on disk failed"
"$bin/sievebench-sweep" --program "$bin/sievebench" --limits 1e4,1e5 --repeat 6 --label tmpfs --dir "$tmpfs" \
  --json tmpfs.json >/dev/null 2>&1 || fail "the sweep on tmpfs failed"
"$bin/sievebench-compare" disk.json tmpfs.json --html page.html >/dev/null || fail "compare --html failed"

# The real page: both machines, a row per limit and phase, the charts.
dump page.html
grep -qF '<th scope="col">disk</th>' page.html.dom || fail "the page does not name the machine on disk"
grep -qF '<th scope="col">tmpfs</th>' page.html.dom || fail "the page does not name the machine on tmpfs"
rows=$(table_of page.html.dom comparison-table | grep -c '<th scope="row">[0-9]')
[ "$rows" -eq 8 ] || fail "the comparison table has $rows rows, not 2 limits x 4 phases"
machine_rows=$(table_of page.html.dom machines-table | grep -c '<tr><th scope="row">')
[ "$machine_rows" -ge 17 ] || fail "the machines table has $machine_rows rows"
if [ "$(df --output=fstype "$tmpfs" | tail -1)" = tmpfs ]; then
  grep -qF '<td class="differs">tmpfs</td>' page.html.dom || fail "the tmpfs run folder is not marked as a difference"
fi
figures=$(occurrences page.html.dom '<figure>')
svgs=$(occurrences page.html.dom '<svg')
# The geomean bars, and the count and total lines (init and sieve are 0 ms at these sizes).
[ "$figures" -ge 3 ] && [ "$svgs" -eq "$figures" ] || fail "$figures figures and $svgs charts in the page"

# The page's own policy, watched by a listener that stands before it; a
# planted image proves that the listener hears what the policy blocks.
listener="<script>document.addEventListener('securitypolicyviolation', function (e) {
  var root = document.documentElement;
  root.setAttribute('data-violations', (root.getAttribute('data-violations') || '') + e.violatedDirective + ' ');
});</script>"
awk -v listener="$listener" '{ print } /^<head>$/ { print listener }' page.html >watched.html
sed 's|<body>|<body><img src="data:image/gif;base64,R0lGODlhAQABAAAAACw=">|' watched.html >planted.html
dump watched.html
dump planted.html
grep -q 'data-violations="img-src' planted.html.dom || fail "the listener did not hear a planted violation"
grep -q 'Content Security Policy' planted.html.log || fail "the console did not report a planted violation"
! grep -q 'data-violations="' watched.html.dom || fail "the page broke its own policy: $(grep -o 'data-violations="[^"]*"' watched.html.dom)"
! grep -q 'Content Security Policy' watched.html.log || fail "the console reports a policy violation"

# Hostile text from a result file: shown, never run, with or without the policy.
hostile_label="<script>document.documentElement.dataset.pwned='label'</script>"
hostile_cpu="<img src=x onerror=document.documentElement.dataset.pwned='cpu'>"
sed -e "s|\"label\": \"disk\"|\"label\": \"$hostile_label\"|" -e "0,/\"cpu\": \"[^\"]*\"/s||\"cpu\": \"$hostile_cpu\"|" \
  disk.json >hostile.json
"$bin/sievebench-compare" tmpfs.json hostile.json --html hostile.html >/dev/null || fail "compare of the hostile file failed"
sed '/Content-Security-Policy/d' hostile.html >unguarded.html
sed 's|<body>|<body><script>document.documentElement.dataset.pwned="control"</script>|' unguarded.html >control.html
for page in hostile.html unguarded.html control.html; do
  dump "$page"
done
grep -q 'data-pwned="control"' control.html.dom || fail "a planted script did not run: the marker check proves nothing"
for page in hostile.html unguarded.html; do
  ! grep -q 'data-pwned' "$page.dom" || fail "$page: text from the file ran as a script"
  grep -qF "&lt;script&gt;document.documentElement.dataset.pwned='label'&lt;/script&gt;" "$page.dom" ||
    fail "$page: the hostile label is not shown as text"
  grep -qF "&lt;img src=x onerror=document.documentElement.dataset.pwned='cpu'&gt;" "$page.dom" ||
    fail "$page: the hostile CPU name is not shown as text"
done

# The archive's history page: its own policy kept, and the same hostile
# text shown, never run, with or without the policy.
"$bin/sievebench-archive" add archive.db disk.json tmpfs.json hostile.json >/dev/null || fail "the archive refused a file"
"$bin/sievebench-archive" history archive.db --html history.html >/dev/null || fail "history --html failed"
awk -v listener="$listener" '{ print } /^<head>$/ { print listener }' history.html >history-watched.html
sed '/Content-Security-Policy/d' history.html >history-unguarded.html
for page in history-watched.html history-unguarded.html; do
  dump "$page"
  ! grep -q 'data-pwned' "$page.dom" || fail "$page: text from a file ran as a script"
  grep -qF "&lt;script&gt;document.documentElement.dataset.pwned='label'&lt;/script&gt;" "$page.dom" ||
    fail "$page: the hostile label is not shown as text"
  grep -qF "&lt;img src=x onerror=document.documentElement.dataset.pwned='cpu'&gt;" "$page.dom" ||
    fail "$page: the hostile CPU name is not shown as text"
done
! grep -q 'data-violations="' history-watched.html.dom || fail "the history page broke its own policy"
! grep -q 'Content Security Policy' history-watched.html.log || fail "the console reports a history page violation"
history_charts=$(occurrences history-watched.html.dom '<svg')
[ "$history_charts" -eq 2 ] || fail "the history page has $history_charts charts, not one per limit"

# Screenshots: a drawn page compresses far worse than a blank one.
printf '<!DOCTYPE html><title>blank</title>\n' >blank.html
for width in 800 1600; do
  browse --window-size="$width,1400" --screenshot="$work/page-$width.png" "file://$work/page.html" >/dev/null 2>&1
  browse --window-size="$width,1400" --screenshot="$work/blank-$width.png" "file://$work/blank.html" >/dev/null 2>&1
  page_bytes=$(stat -c %s "page-$width.png")
  blank_bytes=$(stat -c %s "blank-$width.png")
  [ "$page_bytes" -gt $((blank_bytes * 5)) ] ||
    fail "the screenshot at $width pixels looks blank ($page_bytes bytes against a blank page's $blank_bytes)"
done
echo "report_in_browser: the page holds the machines, $rows rows and $svgs charts; the history page $history_charts charts;" \
  "no violation; hostile text inert in both"
