#!/usr/bin/env bash
# The family's day under Wine, through a real browser. Installs what is missing, builds what
# it needs, starts the family's web sites (HTTP and HTTPS) on loopback, makes a private Wine
# prefix (build/main/wineprefix) and starts the category server there (category-server.exe,
# with a million generated names beside the family's sites), installs the product, starts
# the settings program as Windows does at logon, and the filtering proxy, whose connections
# go through FilterLsp.dll. Then headless Chromium browses through the proxy, first as nobody
# (the Default profile), then as the child logged in through the login window, then with
# filtering switched off, and a table says what the filter decided and what the browser
# showed. Everything it started is stopped at the end.
#
#   scripts/main.sh [--admin-password PW]            the demonstration
#   scripts/main.sh --serve [--admin-password PW]    keeps it all running until Ctrl-C, for a
#                                                    browser of your own
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

child=sam
child_password=apple7
admin_password=family
serve=0
while [[ $# -gt 0 ]]; do
    case $1 in
        --serve) serve=1 ;;
        --admin-password)
            [[ $# -ge 2 ]] || { echo "main: --admin-password needs a value" >&2; exit 2; }
            admin_password=$2
            shift
            ;;
        *) echo "usage: scripts/main.sh [--serve] [--admin-password PW]" >&2; exit 2 ;;
    esac
    shift
done

out=build/main
logs=$out/logs
source scripts/lib/servers.sh
source scripts/lib/family.sh
source scripts/lib/desktop.sh
source scripts/lib/browser.sh

build() {
    scripts/setup.sh
    mkdir -p "$out"
    if ! scripts/build.sh win:pcfamily win:filter-proxy win:wsbase win:category-server \
        >"$out/build.log" 2>&1; then
        cat "$out/build.log" >&2
        echo "main: the build failed (above; also in $out/build.log)" >&2
        exit 1
    fi
    echo "main: built what it needs (build/win/sockbin, build/win/bin/category-server.exe)"
}

# A category tree of a million generated names, as the collections families download are
# laid out; made once (and again when the generator changes).
lists=$out/lists-1000000
make_lists() {
    local stamp=$lists/.made-by want
    want=$(sha256sum scripts/make-lists.py | cut -d' ' -f1)
    if [[ ! -f $stamp || $(cat "$stamp") != "$want" ]]; then
        rm -rf "$lists"
        python3 scripts/make-lists.py 1000000 "$lists" >/dev/null
        echo "$want" >"$stamp"
    fi
}

# The category server in the prefix, as on a family's PC: the generated lists, mapped to the
# product's categories, beside the family's sites. Says how many entries it holds, how long
# they took to load and the memory they take.
start_categories() {
    make_lists
    FAMILY_CATEGORY_SERVER=$FAMILY_WIN/bin/category-server.exe \
        family_start_categories "$logs" main --lists "$(winpath "$lists")" \
        --map "$(winpath data/list-map.txt)"
    local first resident
    first=$(grep -m 1 'listening on' "$logs/category-server.log" | tr -d '\r')
    resident=$(awk '/^VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$CATEGORY_PID/status" 2>/dev/null)
    echo "main: category-server.exe on 127.0.0.2:$CATEGORY_PORT with a million generated names" \
        "and the family's sites:"
    echo "      ${first#*: } (${resident:-?} MiB resident, Wine included)"
}

# The product's own logs from the installation folder, beside ours.
keep_product_logs() {
    local folder=$PC_WINEPREFIX/drive_c/ParentalControl
    mkdir -p "$logs/product"
    cp "$folder"/*.Log "$logs/product/" 2>/dev/null || true
}

idle_pid=""

finish() {
    trap - EXIT INT TERM
    [[ -n "$idle_pid" ]] && kill "$idle_pid" 2>/dev/null
    [[ -n "$BROWSE_PID" ]] && kill "$BROWSE_PID" 2>/dev/null
    keep_product_logs
    family_stop
}

# The servers, the installation with the family's accounts and lists, the settings program
# as at logon, and the proxy.
set_up() {
    rm -rf "$logs" "$out/pages" "$out/screenshots"
    mkdir -p "$logs" "$out/screenshots"
    export PC_WINEPREFIX=$root/$out/wineprefix
    trap finish EXIT
    trap 'exit 130' INT TERM

    desktop_start "$logs"
    family_certificate "$out/tls"
    family_start_sites "$logs" "$out/tls" main
    desktop_prepare_prefix
    start_categories
    family_install "$admin_password"
    echo "main: installed in $FAMILY_FOLDER" \
        "(super administrator \"admin\", password \"$admin_password\")"

    # A parent's changes: the library takes them with the administrator's password only.
    local parent=(--admin-password "$admin_password")
    wrun "$SOCKBIN/pcfamily.exe" "${parent[@]}" user "$child" "$child_password"
    # Logging out needs no password, so Default, in force while nobody is logged in, is the
    # strictest profile; the child logs in for his own, wider one.
    wrun "$SOCKBIN/pcfamily.exe" "${parent[@]}" lists Default --blocked-words poker,fight \
        --blocked-categories Gambling,Games,Null
    wrun "$SOCKBIN/pcfamily.exe" "${parent[@]}" lists "$child" --blocked-words poker \
        --allowed-words chess --blocked-categories Gambling,Games
    echo "main: Default (nobody logged in) blocks the words poker and fight, Gambling, Games and"
    echo "      sites of unknown category (Null); $child logs in for more: he blocks poker,"
    echo "      Gambling and Games, and allows the word chess"

    family_spawn "$logs/gui.log" wrun "$SOCKBIN/Gui.exe" StartUp
    family_hosts_file "$out/hosts"
    family_start_proxy "$logs" "$out/hosts" main
    echo "main: Gui.exe StartUp on display $DISPLAY; filtering proxy on 127.0.0.1:$PROXY_PORT"
}

log_child_in() {
    wrun "$SOCKBIN/pcfamily.exe" login "$child" "$child_password" | tr -d '\r'
    desktop_screenshot "$out/screenshots/desktop-after-login.png"
    echo "main: $child logged in through the login window (now in the tray)"
}

serve_until_interrupted() {
    log_child_in
    cat <<EOF

main: serving until Ctrl-C. Point a browser at the proxy http://127.0.0.1:$PROXY_PORT (HTTP and
      HTTPS; accept the sites' self-signed certificate, or start Chromium with
      --ignore-certificate-errors). The family's sites:
          http://family.example:$HTTP_PORT/     https://family.example:$HTTPS_PORT/
          http://news.example:$HTTP_PORT/       http://news.example:$HTTP_PORT/big-fight
          http://games.example:$HTTP_PORT/      http://games.example:$HTTP_PORT/chess-club
          http://games.example:$HTTP_PORT/poker-night
          http://casino.example:$HTTP_PORT/     http://treehouse.example:$HTTP_PORT/
      (the same paths over https on port $HTTPS_PORT)
      Accounts: admin / $admin_password (super administrator), $child / $child_password (child,
      logged in now). The settings program is in the tray of display $DISPLAY.
      Logs: $logs
EOF
    # A builtin wait, so that Ctrl-C is handled at once.
    while true; do
        sleep 3600 &
        idle_pid=$!
        wait "$idle_pid" || true
    done
}

# The table's rows, collected as the pages are visited.
rows=()
unexpected=0
journal_seen=0
lookups_seen=0
page_number=0
page_total=15
proxy_stuck=0

# Sets JOURNAL_BLOCK to "POLICY<TAB>MATCH" of the last journal entry for HOST since the last
# page (empty when there is none). Not run in a subshell: it moves the journal's mark.
journal_block_for() {
    local host=$1 entries
    entries=$(wrun "$SOCKBIN/pcfamily.exe" journal "$journal_seen" | tr -d '\r')
    if [[ -n "$entries" ]]; then
        journal_seen=$(tail -n 1 <<<"$entries" | cut -f 1)
    fi
    JOURNAL_BLOCK=$(awk -F '\t' -v host="$host" \
        '$4 == host { last = $5 "\t" $6 } END { print last }' <<<"$entries")
}

# Sets LOOKED_UP to the category the server gave HOST since the last page, or, when the filter
# did not ask (it keeps what it was told of a host), to the one it gave before ("" when it
# was never asked). Not run in a subshell: it moves the server log's mark.
declare -A told
category_looked_up() {
    local host=$1 lines all
    # Only the lookup lines: the server also tells of loads and reloads.
    all=$(grep -F ' -> ' "$logs/category-server.log" | tr -d '\r' || true)
    lines=$(tail -n +"$((lookups_seen + 1))" <<<"$all")
    [[ -z "$all" ]] || lookups_seen=$(grep -c '' <<<"$all")
    LOOKED_UP=$(awk -v host="$host" 'index($0, host) == 1 { last = $0 } END { print last }' \
        <<<"$lines" | sed -n 's/.* -> \(.*\)/\1/p')
    if [[ "$LOOKED_UP" == "(unknown)"* ]]; then
        LOOKED_UP="Null (unknown site)"
    fi
    if [[ -n "$LOOKED_UP" ]]; then
        told[$host]=$LOOKED_UP
    elif [[ -n "${told[$host]:-}" ]]; then
        LOOKED_UP="${told[$host]} (told before)"
    fi
}

# Visits one page and records its row. EXPECT is pass or block; NOTE says why a page passes
# without a lookup (an allowed word, filtering off).
visit() {
    local profile=$1 url=$2 expect=$3 note=${4:-} name host showed verdict policy match block
    page_number=$((page_number + 1))
    if [[ $proxy_stuck -eq 1 ]]; then
        unexpected=$((unexpected + 1))
        rows+=("$profile|$url|skipped|-|-|(the proxy had stopped answering)")
        return 0
    fi
    name=$(printf '%02d' "$page_number")-$(sed 's|^[a-z]*://||; s|[:/]|-|g; s|-*$||' <<<"$url")
    host=$(sed 's|^[a-z]*://||; s|[:/].*||' <<<"$url")
    browse "$name" "$url"
    showed=$(describe_page "$BROWSE_OUT/pages/$name.html")
    journal_block_for "$host"
    block=$JOURNAL_BLOCK
    category_looked_up "$host"
    verdict=pass policy=- match=$note
    if [[ "$showed" == "block page"* ]]; then
        verdict=block
        policy=$(block_policy "$BROWSE_OUT/pages/$name.html")
        match=$(block_match "$BROWSE_OUT/pages/$name.html")
    elif [[ -n "$block" && "$showed" != page* ]]; then
        # A refused HTTPS site shows the browser's error; the journal says why. (A page that
        # loaded may still have had a part blocked, its icon say: the page is the verdict.)
        verdict=block
        policy=${block%%$'\t'*}
        match=${block#*$'\t'}
    elif [[ "$showed" != page* ]]; then
        verdict=failed
    fi
    if [[ "$verdict" == pass && -z "$note" ]]; then
        match=${LOOKED_UP:-"(no lookup)"}
    elif [[ "$verdict" == block && -z "$match" ]]; then
        # An unknown site's block page shows the empty category it was given.
        match=${LOOKED_UP:-"(none shown)"}
    fi
    local mark=""
    if [[ "$verdict" != "$expect" ]]; then
        mark=" UNEXPECTED (expected $expect)"
        unexpected=$((unexpected + 1))
    fi
    printf 'main: [%2d/%d] %-20s %-45s %s%s\n' "$page_number" "$page_total" "$profile" "$url" \
        "$verdict" "$mark"
    rows+=("$profile|$url|$verdict$mark|$policy|$match|$showed")
    # A proxy that no longer answers at all would make every later page wait its whole bound.
    if [[ "$verdict" == failed ]] && ! family_proxy_answers 2>/dev/null; then
        proxy_stuck=1
        echo "main: the filtering proxy no longer answers anything; the remaining pages are" \
            "skipped (its log: $logs/filter-proxy.log)" >&2
    fi
}

print_table() {
    echo
    {
        echo "profile|URL|verdict|policy|word or category|what the browser showed"
        echo "-------|---|-------|------|----------------|-----------------------"
        printf '%s\n' "${rows[@]}"
    } | awk -F '|' '
        {
            for (i = 1; i <= NF; i++) {
                cell[NR, i] = $i
                if (length($i) > width[i]) width[i] = length($i)
            }
        }
        NF > columns { columns = NF }
        END {
            for (r = 1; r <= NR; r++) {
                line = ""
                for (i = 1; i < columns; i++) line = line sprintf("%-" width[i] + 2 "s", cell[r, i])
                print line cell[r, columns]
            }
        }'
}

browse_the_day() {
    local h=$HTTP_PORT s=$HTTPS_PORT
    BROWSE_OUT=$out
    browser_ready
    desktop_screenshot "$out/screenshots/desktop-at-logon.png"
    echo
    echo "main: browsing as nobody logged in (profile Default)"
    visit Default "http://news.example:$h/" pass
    visit Default "http://games.example:$h/poker-night" block
    visit Default "http://casino.example:$h/" block
    visit Default "http://treehouse.example:$h/" block
    visit Default "https://family.example:$s/" pass
    visit Default "https://casino.example:$s/" block

    log_child_in
    visit "$child" "http://family.example:$h/" pass
    visit "$child" "http://games.example:$h/chess-club" pass "chess (allowed word)"
    visit "$child" "http://games.example:$h/" block
    visit "$child" "http://news.example:$h/big-fight" pass "(fight blocked by Default only)"
    visit "$child" "http://treehouse.example:$h/" pass "(unknown sites blocked by Default only)"
    visit "$child" "https://news.example:$s/" pass
    visit "$child" "https://games.example:$s/" block
    # The settings program tells of blocks in tray notices a moment later: only a picture, so
    # nothing waits on it.
    sleep 3
    desktop_screenshot "$out/screenshots/desktop-after-blocks.png"

    wrun "$SOCKBIN/pcfamily.exe" --admin-password "$admin_password" filtering off
    echo "main: filtering switched off (with the administrator's password)"
    visit "$child, filtering off" "http://casino.example:$h/" pass "(filtering off)"
    visit "$child, filtering off" "https://casino.example:$s/" pass "(filtering off)"
    wrun "$SOCKBIN/pcfamily.exe" filtering on

    print_table
    wrun "$SOCKBIN/pcfamily.exe" logout
    wrun "$SOCKBIN/pcfamily.exe" exit
    echo
    echo "main: logs in $logs (the product's own in $logs/product), pages' DOM in $out/pages,"
    echo "      screenshots in $out/screenshots"
}

build
set_up
if [[ $serve -eq 1 ]]; then
    serve_until_interrupted
fi
browse_the_day
if [[ $unexpected -gt 0 ]]; then
    echo "main: $unexpected page(s) did not go as expected" >&2
    exit 1
fi
