#!/usr/bin/env bash
# Runs a command as on a machine whose kernel cannot run 32-bit (i386) programs, to try the
# scripts and tests on that kind of machine from one that can: in a user and mount namespace of
# its own, a private binfmt_misc (Linux 6.7 or later) claims every i386 ELF program and fails it
# with "Exec format error", as such a kernel's exec does. Nothing outside the command changes.
# Runs as root: the namespace maps every user to itself, so that programs which change user
# (apt's downloads, nginx's workers) still can.
#   scripts/without-i386.sh COMMAND [ARG]...
set -euo pipefail
[[ $# -gt 0 ]] || { echo "usage: scripts/without-i386.sh COMMAND [ARG]..." >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "without-i386: run it as root" >&2; exit 2; }
work=$(mktemp -d)
cat >"$work/refuse" <<'SH'
#!/bin/sh
echo "$1: cannot execute binary file: Exec format error" >&2
exit 126
SH
chmod +x "$work/refuse"
# ELF, 32-bit, little-endian, version 1, an executable or a shared object (PIE), for i386.
i386_elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# A user namespace gets its users from outside it: this helper maps them once this process
# (unshare, below) has made it, and removes the work folder once the command has ended.
(
    while [[ $(readlink "/proc/$$/ns/user") == $(readlink /proc/self/ns/user) ]]; do
        kill -0 $$ || { rm -rf "$work"; exit 0; }
        sleep 0.01
    done
    echo "0 0 4294967295" >"/proc/$$/uid_map"
    echo "0 0 4294967295" >"/proc/$$/gid_map"
    while kill -0 $$; do sleep 1; done
    rm -rf "$work"
) </dev/null >/dev/null 2>&1 &

# The command runs in the foreground, with this terminal and its signals.
exec unshare --user --mount --propagation private bash -c '
    set -e
    until [[ -n $(</proc/self/uid_map) ]]; do sleep 0.01; done
    mount -t binfmt_misc none /proc/sys/fs/binfmt_misc
    printf ":i386:M::%s:%s:%s:" "$2" "$3" "$1/refuse" >/proc/sys/fs/binfmt_misc/register
    shift 3
    exec "$@"' without-i386 "$work" "$i386_elf" "$mask" "$@"
