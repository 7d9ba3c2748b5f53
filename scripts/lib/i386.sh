# Whether this kernel runs i386 (32-bit) programs: some are built without them, and then every
# i386 program, Debian's 32-bit Wine loader among them, fails with "Exec format error".
# Sourced, not run.

# Tries the smallest i386 program (exit(0) by the 32-bit system call), made with binutils.
# Succeeds when it ran; otherwise prints why not.
runs_i386() {
    local dir status=0
    dir=$(mktemp -d)
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$dir/exit.s"
    if as --32 -o "$dir/exit.o" "$dir/exit.s" 2>"$dir/why" &&
        ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" 2>"$dir/why"; then
        "$dir/exit" 2>"$dir/why" || status=$?
        ((status == 0)) || echo "an i386 program ended with status $status: $(head -n 1 "$dir/why")"
    else
        status=1
        echo "no i386 program could be made to try it: $(head -n 1 "$dir/why")"
    fi
    rm -rf "$dir"
    return $status
}
