# Shell helpers shared by the scripts that run the native peers beside Wine programs.
# Sourced, not run.

# Waits for a server's first line naming its port (the pattern's first group); prints the
# port. $3 names the calling script in the message when the server does not start; $4 is how
# many seconds to wait (10 unless given: a Wine program may need longer on a busy machine).
wait_port() {
    local file=$1 pattern=$2 who=$3 seconds=${4:-10} port=""
    for _ in $(seq $((seconds * 10))); do
        port=$(sed -n "s/$pattern/\1/p" "$file" 2>/dev/null | head -n 1)
        [[ -n "$port" ]] && { echo "$port"; return 0; }
        sleep 0.1
    done
    echo "$who: a server did not start; its output:" >&2
    cat "$file" >&2
    return 1
}
