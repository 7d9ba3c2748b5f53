#!/usr/bin/env bash
# Headless Chromium (Debian's package) through the filtering proxy and FilterLsp.dll, in a
# Wine prefix of its own: an allowed page, pages blocked by their category, by a word and for
# having no category (the block page names the profile, the policy and the reason, and shows
# its pictures, on a desktop and on a phone), an allowed HTTPS page, and a blocked HTTPS page
# (the browser shows an error and the TLS server got not one byte). The DOM and a screenshot
# of each are kept in BUILD/browser.
#   browser_test.sh SOURCE-DIR BUILD-DIR CATEGORY-SERVER
# Exits 77 (skipped) only when Chromium is missing and cannot be installed.
set -euo pipefail

source_dir=$1
build=$(realpath "$2")
export FAMILY_WIN=$build
export FAMILY_CATEGORY_SERVER=$3
cd "$source_dir"
source scripts/lib/servers.sh
source scripts/lib/family.sh
source scripts/lib/browser.sh

source tests/support/checks.sh
contains() { grep -q -- "$2" "$1"; }
lacks() { ! grep -q -- "$2" "$1"; }
# The block page NAME showed its logo and its background, both loaded (natural sizes).
check_pictures() {
    local images=$out/pages/$1.images
    check "its logo is shown" grep -qx 'img 53 48' "$images"
    check "its background is shown" grep -qx 'background 960 600' "$images"
}

need_chromium() {
    command -v chromium >/dev/null && return 0
    scripts/setup.sh >/dev/null 2>&1 || true
    command -v chromium >/dev/null && return 0
    echo "browser_test: SKIPPED: Debian's chromium is not installed and could not be installed"
    exit 77
}

need_programs() {
    local program
    for program in "$FAMILY_CATEGORY_SERVER" "$SOCKBIN/filter-proxy.exe" "$SOCKBIN/pcfamily.exe"; do
        if [[ ! -x "$program" && ! -f "$program" ]]; then
            echo "browser_test: $program is missing: build both trees (scripts/build.sh)" >&2
            exit 1
        fi
    done
}

# The sites' log lines written while a page was visited.
lines_since() { sed -n "$(($2 + 1)),\$p" "$1"; }

# Waits (bounded) until FILE holds a line matching PATTERN after its first SKIP lines: the
# server logs from its own threads, which a busy machine may run late.
await_line() {
    local file=$1 skip=$2 pattern=$3
    for _ in $(seq 300); do
        lines_since "$file" "$skip" | grep -q -- "$pattern" && return 0
        sleep 0.1
    done
    return 1
}

need_chromium
need_programs
out=$build/browser
logs=$out/logs
rm -rf "$out/pages" "$out/screenshots" "$logs"
mkdir -p "$logs"
export PC_WINEPREFIX=$build/wineprefix-browser
BROWSE_OUT=$out
trap family_stop EXIT

family_certificate "$out/tls"
family_start_servers "$logs" "$out/tls" browser_test
"$FAMILY_WIN/wine-run" --stop
family_install secret >/dev/null
wrun "$SOCKBIN/pcfamily.exe" --admin-password secret lists Default --blocked-words poker \
    --blocked-categories Gambling,Null
family_hosts_file "$out/hosts"
family_start_proxy "$logs" "$out/hosts" browser_test
browser_ready

echo "== an allowed page"
browse allowed "http://family.example:$HTTP_PORT/"
check "the site's page is shown" contains "$out/pages/allowed.html" \
    '<title>The Family Pages</title>'
check "the server served it" await_line "$logs/sites.log" 0 'http GET family.example/ -> 200'

echo "== a page blocked by its category"
browse blocked "http://casino.example:$HTTP_PORT/"
page=$out/pages/blocked.html
check "the block page is shown" contains "$page" 'does not allow you'
check "it greets the profile" test "$(block_profile "$page")" = Default
check "it names the policy" test "$(block_policy "$page")" = Category
check "it names the category" test "$(block_match "$page")" = Gambling
check "the casino's own page is not shown" lacks "$page" 'Lucky Star Casino'
check_pictures blocked

echo "== a page blocked by a word, and a site of no category"
browse blocked-word "http://games.example:$HTTP_PORT/poker-night"
check "it names the word" test "$(block_match "$out/pages/blocked-word.html")" = poker
check_pictures blocked-word
browse blocked-unknown "http://treehouse.example:$HTTP_PORT/"
check "it names the site's lack of a category" test \
    "$(block_match "$out/pages/blocked-unknown.html")" = "Null (not yet in any category)"
check_pictures blocked-unknown
browse blocked-phone "http://casino.example:$HTTP_PORT/" --phone
check "a phone is shown the same page" test "$(block_match "$out/pages/blocked-phone.html")" = \
    Gambling
check_pictures blocked-phone

echo "== an allowed HTTPS page"
browse https-allowed "https://family.example:$HTTPS_PORT/"
check "the site's page is shown" contains "$out/pages/https-allowed.html" \
    '<title>The Family Pages</title>'
check "the TLS server completed the handshake" await_line "$logs/sites.log" 0 \
    'https: handshake for family.example'

echo "== a blocked HTTPS page"
before=$(wc -l <"$logs/sites.log")
browse https-blocked "https://casino.example:$HTTPS_PORT/"
check "the browser's connections reached the TLS server" await_line "$logs/sites.log" \
    "$before" 'closed before any byte'
lines_since "$logs/sites.log" "$before" >"$logs/sites-https-blocked.log"
shown=$(describe_page "$out/pages/https-blocked.html")
echo "      the browser showed: $shown"
check "the browser shows an error page" test "${shown%% *}" = error
check "the browser shows no page of the site" lacks "$out/pages/https-blocked.html" \
    'Lucky Star Casino'
check "the TLS server received nothing on any of them" test -z \
    "$(grep -v 'closed before any byte' "$logs/sites-https-blocked.log")"
wrun "$SOCKBIN/pcfamily.exe" journal 0 | tr -d '\r' >"$logs/journal.txt"
check "the journal records the refused name" grep -q \
    $'\tDefault\thttps\tcasino.example\tCategory\tGambling\t' "$logs/journal.txt"

for shot in allowed blocked blocked-word blocked-unknown blocked-phone https-allowed https-blocked; do
    check "screenshot $shot.png saved" test -s "$out/screenshots/$shot.png"
done
echo "browser_test: pages, screenshots and logs in $out"
[[ $failures -eq 0 ]]
