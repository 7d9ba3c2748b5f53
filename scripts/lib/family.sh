# The family's world on this machine, for the main job and the browser test: the category
# server, the family's web sites over HTTP and HTTPS, an installation in a private Wine prefix
# and the filtering proxy. Sourced, not run, from the project's root, after servers.sh.
# FAMILY_WIN (build/win unless set) is the cross tree, FAMILY_CATEGORY_SERVER the category
# server's program: the native one, or the Windows one (ending in .exe), which runs in the
# private prefix. Every process started here is remembered, and family_stop ends exactly
# those.

FAMILY_WIN=$(realpath -m "${FAMILY_WIN:-build/win}")
FAMILY_CATEGORY_SERVER=${FAMILY_CATEGORY_SERVER:-build/native/tools/category-server/category-server}
FAMILY_HOSTS=(family.example news.example casino.example games.example treehouse.example)
FAMILY_FOLDER='C:\ParentalControl'
SOCKBIN=$FAMILY_WIN/sockbin

family_pids=()

# Runs a Windows program in the private prefix (PC_WINEPREFIX), from the build tree: a program
# of the product that finds no installation writes its logs to its working folder, which must
# never be the source tree. Paths given to it must be absolute (winpath).
wrun() { (cd "$FAMILY_WIN" && exec "$FAMILY_WIN/wine-run" "$@"); }

# A Unix path as the Windows programs see it (Wine's Z: drive).
winpath() {
    local path
    path=$(realpath -m "$1")
    echo "Z:${path//\//\\}"
}

# Starts a program in the background with its output in a log, and remembers it.
family_spawn() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    family_pids+=($!)
}

# A self-signed certificate for every site name, made once into DIR.
family_certificate() {
    local dir=$1 names
    [[ -f "$dir/sites.pem" && -f "$dir/sites.key" ]] && return 0
    mkdir -p "$dir"
    names=$(printf 'DNS:%s,' "${FAMILY_HOSTS[@]}")
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=family.example \
        -addext "subjectAltName=${names%,}" -keyout "$dir/sites.key" -out "$dir/sites.pem" \
        >/dev/null 2>&1
}

# The hosts file the proxy reads: every site on loopback.
family_hosts_file() {
    echo "127.0.0.1 ${FAMILY_HOSTS[*]}" >"$1"
}

# Starts the category server with the family's sites and any lists given as more arguments
# (paths as the program sees them); sets CATEGORY_PORT and CATEGORY_PID. LOGS is the folder
# for its output. The Windows program runs in the prefix: start it after the prefix is ready.
family_start_categories() {
    local logs=$1 who=$2 db=data/category-db.txt
    shift 2
    local program=("$FAMILY_CATEGORY_SERVER")
    if [[ "$FAMILY_CATEGORY_SERVER" == *.exe ]]; then
        program=(wrun "$FAMILY_CATEGORY_SERVER")
        db=$(winpath "$db")
    fi
    # --verbose: the main job reads each lookup's line ("URL -> CATEGORY").
    family_spawn "$logs/category-server.log" "${program[@]}" \
        --address 127.0.0.2 --port 0 --db "$db" --verbose "$@"
    CATEGORY_PID=${family_pids[-1]}
    CATEGORY_PORT=$(wait_port "$logs/category-server.log" '.*listening on 127.0.0.2:\([0-9]*\).*' \
        "$who" 120)
}

# Starts the family's sites; sets HTTP_PORT and HTTPS_PORT. CERTS is the certificate's folder.
family_start_sites() {
    local logs=$1 certs=$2 who=$3
    family_spawn "$logs/sites.log" python3 -u tools/sites/sites.py --root data/family-sites \
        --http-port 0 --https-port 0 --cert "$certs/sites.pem" --key "$certs/sites.key"
    HTTP_PORT=$(wait_port "$logs/sites.log" 'listening http on 127.0.0.1:\([0-9]*\)' "$who")
    HTTPS_PORT=$(wait_port "$logs/sites.log" 'listening https on 127.0.0.1:\([0-9]*\)' "$who")
}

# Both, the native category server with the family's sites only.
family_start_servers() {
    local logs=$1 certs=$2 who=$3
    family_start_categories "$logs" "$who"
    family_start_sites "$logs" "$certs" "$who"
}

# The stand-in Winsock catalogue as on a Windows machine, then the product installed with the
# filter's layer in it, talking to our category server.
family_install() {
    local admin_password=$1
    wrun "$SOCKBIN/wscatalog.exe" base
    wrun "$SOCKBIN/pcinstall.exe" install --force --folder "$FAMILY_FOLDER" \
        --admin-password "$admin_password" --server-ip 127.0.0.2 --server-port "$CATEGORY_PORT" \
        --log-level 1 --lsp "$(winpath "$SOCKBIN/FilterLsp.dll")" | tr -d '\r'
}

# Starts the filtering proxy on a free port; sets PROXY_PORT. Its standard input is a pipe
# whose only writer this shell holds, so it ends when this shell does, however that happens.
# FAMILY_PROXY_OPTIONS adds options of its own (say "--io blocking", for comparison).
family_start_proxy() {
    local logs=$1 hosts=$2 who=$3 options
    read -r -a options <<<"${FAMILY_PROXY_OPTIONS:-}"
    exec {family_proxy_fd}> >(wrun "$SOCKBIN/filter-proxy.exe" \
        --hosts "$(winpath "$hosts")" --port 0 --until-stdin-closes "${options[@]}" \
        >"$logs/filter-proxy.log" 2>&1)
    family_pids+=($!)
    PROXY_PORT=$(wait_port "$logs/filter-proxy.log" \
        '.*filter-proxy: listening on 127.0.0.1:\([0-9]*\).*' "$who" 60)
}

# Whether the proxy answers a request at all (a name it cannot resolve gets its 502) within
# a generous bound.
family_proxy_answers() {
    python3 - "$PROXY_PORT" <<'PY'
import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=30) as proxy:
    proxy.sendall(b"GET http://nothing.invalid/ HTTP/1.1\r\nHost: nothing.invalid\r\n\r\n")
    sys.exit(0 if proxy.recv(16).startswith(b"HTTP/1.") else 1)
PY
}

# Ends what was started here, newest first; the prefix's wineserver goes last.
family_stop() {
    local i
    if [[ -n "${family_proxy_fd:-}" ]]; then
        exec {family_proxy_fd}>&-
        family_proxy_fd=""
    fi
    for ((i = ${#family_pids[@]} - 1; i >= 0; i--)); do
        kill "${family_pids[i]}" 2>/dev/null || true
    done
    for pid in "${family_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    family_pids=()
    "$FAMILY_WIN/wine-run" --stop
}
