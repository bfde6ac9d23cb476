# Sourced: whether this machine runs 32-bit x86 programs, found by running one.
# A kernel may lack 32-bit support or have it switched off at boot (dmesg then
# says "32-bit emulation disabled"), so nothing here assumes either way.

# 0 when a tiny 32-bit Linux program ran; else 1, with the reason in
# $no_32bit_reason. Needs binutils' as and ld, which g++ brings.
runs_32bit() {
    local dir status=0
    dir=$(mktemp -d)
    # exit(32) through the 32-bit system call gate.
    printf '.globl _start\n_start:\n movl $1, %%eax\n movl $32, %%ebx\n int $0x80\n' >"$dir/probe.s"
    if ! as --32 -o "$dir/probe.o" "$dir/probe.s" 2>"$dir/log" ||
        ! ld -m elf_i386 -o "$dir/probe" "$dir/probe.o" 2>>"$dir/log"; then
        no_32bit_reason="no 32-bit program could be built to try: $(head -c 300 "$dir/log")"
        rm -rf "$dir"
        return 1
    fi
    "$dir/probe" 2>/dev/null || status=$?
    rm -rf "$dir"
    [ "$status" = 32 ] && return 0
    no_32bit_reason="the kernel does not run 32-bit programs: a 32-bit test program ended with $status"
    local said
    said=$(dmesg 2>/dev/null | grep -m 1 -o '32-bit emulation disabled.*' || true)
    [ -z "$said" ] || no_32bit_reason+=" (dmesg: $said)"
    return 1
}

# Debian's wine32 package, the loader of 32-bit Windows programs.
WINE32_LOADER=/usr/lib/wine/wine

# 0 when Wine can start 32-bit Windows programs here; else 1, with the reason.
wine_runs_32bit() {
    runs_32bit || return 1
    if [ ! -x "$WINE32_LOADER" ]; then
        no_32bit_reason="Wine's 32-bit support (wine32:i386) is not installed; scripts/setup.sh installs it as root"
        return 1
    fi
}

# The machine a Windows image is built for: i386, amd64 or unknown.
pe_machine() {
    local offset machine
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    machine=$(od -An -tx2 -j$((${offset:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case $machine in
    014c) echo i386 ;;
    8664) echo amd64 ;;
    *) echo unknown ;;
    esac
}
