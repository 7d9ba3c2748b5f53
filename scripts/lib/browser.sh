# Headless Chromium (Debian's package) through the filtering proxy, one page at a time.
# Sourced, not run. Needs PROXY_PORT; BROWSE_OUT is the folder that gets pages/ (the DOM of
# each page), screenshots/ and chromium.log.

browser_ready() {
    mkdir -p "$BROWSE_OUT/pages" "$BROWSE_OUT/screenshots"
}

# Loads URL once, from an empty profile (nothing cached, no cookies), making no requests of
# its own: saves pages/NAME.html, pages/NAME.images (the pictures' natural sizes),
# screenshots/NAME.png and, for a failed load, pages/NAME.error. A third argument --phone
# shows the page as a phone would. Runs in the background and is waited for, so that a signal
# to the script is handled at once; BROWSE_PID names the run meanwhile, for a script's clean-up.
BROWSE_PID=""
browse() {
    local name=$1 url=$2 phone=${3:-}
    env -u DISPLAY timeout 180 python3 tools/browser/browse.py --out "$BROWSE_OUT" \
        --name "$name" --timeout 120 ${phone:+"$phone"} "$url" -- \
        --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --disable-default-apps \
        --disable-features=HttpsUpgrades,HttpsFirstBalancedModeAutoEnable,MediaRouter \
        --proxy-server="http://127.0.0.1:$PROXY_PORT" --ignore-certificate-errors \
        --window-size=1000,640 2>>"$BROWSE_OUT/chromium.log" &
    BROWSE_PID=$!
    wait "$BROWSE_PID" || true
    BROWSE_PID=""
}

# What a saved page shows, in a few words: "block page for PROFILE: POLICY, MATCH", "error
# page net::ERR_...", "page \"TITLE\"" or "nothing".
describe_page() {
    local dom=$1 title
    if [[ -f "${dom%.html}.error" ]]; then
        echo "error page $(cat "${dom%.html}.error")"
    elif [[ ! -f "$dom" ]]; then
        echo "nothing"
    elif grep -q 'Current Internet Access Configuration does not allow you' "$dom"; then
        local match
        match=$(block_match "$dom")
        echo "block page for $(block_profile "$dom"): $(block_policy "$dom"), ${match:-(no name)}"
    elif title=$(sed -n 's:.*<title>\([^<]*\)</title>.*:\1:p' "$dom" | head -n 1) &&
        [[ -n "$title" ]]; then
        echo "page \"$title\""
    else
        echo "nothing"
    fi
}

# The parts of a block page: the profile it greets, the policy and the word or category.
block_profile() { sed -n 's:.*Dear <span[^>]*>\([^<]*\)</span>.*:\1:p' "$1" | head -n 1; }
block_policy() { sed -n 's:.*>\([A-Za-z ]*\) Policy</span>.*:\1:p' "$1" | head -n 1; }
block_match() {
    sed -n 's:.*\(URL Word\|Category\) applied is\: <span[^>]*>\([^<]*\)</span>.*:\2:p' "$1" |
        head -n 1
}
