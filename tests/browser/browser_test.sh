#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The report page of the sample game in a real browser: Debian's chromium,
# headless, from file://. No console message, every picture decoded, every
# link inside the page leads to an element and every link to a file to a
# file, and the sample's Japanese lines are on the page. Keeps a full-page
# screenshot as OUT_DIR/report-screenshot.png.
# Usage: tests/browser/browser_test.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
rm -rf "$2"
mkdir -p "$2"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

"$build/tools/sample-game/sample-game" "$out/game" "$out/DATA" >/dev/null
"$build/src/msconv" --no-wait --quiet --output "$out" --data "$out/DATA" "$out/game" >/dev/null
"$build/tools/avdtool/avdtool" report "$out/DAR297.AVD" "$out/report"
cp "$here/harness.html" "$out/harness.html"

# As root chromium runs only without its sandbox; its profile stays in OUT_DIR.
browser() {
    timeout 300 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --user-data-dir="$out/profile" "$@"
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Console messages of the page, which has no script of its own: none.
browser --enable-logging=stderr --v=0 --virtual-time-budget=10000 \
    --dump-dom "file://$out/report/index.html" >/dev/null 2>"$out/console.log" || true
if grep -q ':CONSOLE' "$out/console.log"; then
    fail "console messages:"
    grep ':CONSOLE' "$out/console.log"
fi

browser --allow-file-access-from-files --virtual-time-budget=20000 \
    --dump-dom "file://$out/harness.html" >"$out/harness-dom.html" 2>/dev/null || true
result=$(sed -n '/<pre id="result">/,/<\/pre>/p' "$out/harness-dom.html" | sed 's/^<pre id="result">//')
field() { printf '%s\n' "$result" | sed -n "s/^$1 //p" | head -1; }
images=$(field IMAGES)
links=$(field LINKS)
height=$(field HEIGHT)
if [ -z "$images" ] || [ -z "$height" ]; then
    fail "the harness gave no result"
    printf '%s\n' "$result" | head -5
fi
faults=$(printf '%s\n' "$result" | grep -E '^(NOT DECODED|BROKEN|FAILED) ' || true)
[ -z "$faults" ] || fail "$faults"
expected_images=$(grep -o '<img ' "$out/report/index.html" | wc -l)
[ "${images:-0}" -eq "$expected_images" ] || fail "$images images decoded of $expected_images"
for file in $(printf '%s\n' "$result" | sed -n 's/^FILE //p' | sort -u); do
    [ -f "$out/report/$file" ] || fail "link to a missing file: $file"
done
# Lines of the sample's scenarios: a text, a speaker, a menu item, a text
# near the dangling sprite.
for line in '今日はいい天気だね' 'アイン' '川べりへ行く' 'お財布、どこに置いたっけ'; do
    printf '%s\n' "$result" | grep -qF "$line" || fail "the page has no \"$line\""
done

# The whole page at 1000 pixels wide.
browser --window-size="1000,${height:-2000}" --virtual-time-budget=10000 \
    --screenshot="$out/report-screenshot.png" "file://$out/report/index.html" \
    >/dev/null 2>&1 || true
[ -s "$out/report-screenshot.png" ] || fail "no screenshot"

echo "browser test: $images pictures, $links links, page height $height px," \
    "screenshot $out/report-screenshot.png"
if [ "$failures" -ne 0 ]; then
    echo "browser test: $failures failed"
    exit 1
fi
echo "browser test: passed"
