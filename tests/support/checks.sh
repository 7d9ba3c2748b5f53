# The shell tests' checks: each says ok or FAIL with what it looked at, and counts the failures.
# Sourced, not run.

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok:   $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}
fails() { ! "$@"; }
