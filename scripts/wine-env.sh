# Sourced by wine-run and wine-session: the project's Wine set-up.
#
# Prefix: $WINE_RUN_PREFIX, default <repo>/build/wineprefix (win32), made on
# first use, and only ever deleted again when this script made it (a marker
# inside says so). Where the kernel runs no i386 binaries (32-bit emulation
# switched off), Wine's 32-bit loader is handed to qemu-i386-static through
# binfmt_misc (registered here when root, for the whole system, and only
# then), with scripts/wine-qemu-shim.c preloaded.

wine_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_build_dir="$wine_repo/build"
wine_session_dir="$wine_build_dir/wine-session"

export WINEPREFIX=${WINE_RUN_PREFIX:-$wine_build_dir/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINE_RUN_WINEDEBUG:--all}
# No Mono/Gecko installers, no menu entries written to the host, and none of
# the device and network services, which only cost start-up time here.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedevice.exe,plugplay.exe,svchost.exe=d"

wine_say() { echo "${0##*/}: $*" >&2; }
wine_fail_setup() { wine_say "$*"; exit 125; }

wine_binfmt_dir=/proc/sys/fs/binfmt_misc
wine_qemu_entry=$wine_binfmt_dir/qemu-i386
wine_qemu_i386=/usr/bin/qemu-i386-static

wine_i386_runs() { wine --version >/dev/null 2>&1; }

# Whether this kernel runs i386 code (natively, or through an emulator
# already registered): a 93-byte i386 ELF that only calls exit(0).
wine_kernel_runs_i386() {
    local probe rc
    probe=$(mktemp) || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08' >"$probe"
    printf '\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00' >>"$probe"
    printf '\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
    chmod +x "$probe" && "$probe" 2>/dev/null
    rc=$?
    rm -f "$probe"
    return $rc
}

# Registers qemu-i386 for i386 ELF files (static interpreter, opened at once:
# flag F), so that Wine's loader and every process it starts run emulated.
wine_register_qemu_i386() {
    [ -x "$wine_qemu_i386" ] || return 1
    [ "$(id -u)" = 0 ] || return 1
    if [ ! -e "$wine_binfmt_dir/register" ]; then
        mount -t binfmt_misc binfmt_misc "$wine_binfmt_dir" 2>/dev/null || return 1
    fi
    if [ -e "$wine_qemu_entry" ]; then
        echo 1 > "$wine_qemu_entry" 2>/dev/null
    else
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        printf '%s' ":qemu-i386:M::$magic:$mask:$wine_qemu_i386:F" > "$wine_binfmt_dir/register" 2>/dev/null
    fi
}

wine_i386_emulated() { [ -r "$wine_qemu_entry" ] && head -n1 "$wine_qemu_entry" | grep -qx enabled; }

# The shim is built for i386 and, empty, for the host, so that LD_PRELOAD
# with $LIB finds a library in both kinds of process and ld.so stays quiet.
wine_build_qemu_shim() {
    local shim_dir="$wine_build_dir/wine-shim" src="$wine_repo/scripts/wine-qemu-shim.c"
    local lib32="$shim_dir/lib/i386-linux-gnu/libtarvexwine.so"
    local lib64="$shim_dir/lib/x86_64-linux-gnu/libtarvexwine.so"
    if [ ! -f "$lib32" ] || [ "$src" -nt "$lib32" ] || [ ! -f "$lib64" ]; then
        mkdir -p "${lib32%/*}" "${lib64%/*}" || return 1
        gcc -m32 -O2 -fPIC -ffreestanding -nostdlib -shared -o "$lib32.tmp.$$" "$src" || return 1
        echo 'void tarvex_wine_shim_host_side(void) {}' |
            gcc -x c -O2 -fPIC -nostdlib -shared -o "$lib64.tmp.$$" - || return 1
        mv "$lib32.tmp.$$" "$lib32" && mv "$lib64.tmp.$$" "$lib64" || return 1
    fi
    export LD_PRELOAD="$shim_dir/\$LIB/libtarvexwine.so${LD_PRELOAD:+ $LD_PRELOAD}"
}

# Makes sure that Wine can run a 32-bit program here; exits 125 when not.
wine_setup_loader() {
    command -v wine >/dev/null || wine_fail_setup "wine is not installed"
    if ! wine_i386_runs; then
        wine_kernel_runs_i386 &&
            wine_fail_setup "wine does not run, although this kernel runs i386 binaries (see: wine --version)"
        wine_say "this kernel runs no i386 binaries: registering qemu-i386 with binfmt_misc, for the whole system"
        wine_register_qemu_i386 && wine_i386_runs ||
            wine_fail_setup "this kernel runs no i386 binaries and qemu-i386 could not be registered (needs root and qemu-user-static)"
    fi
    if wine_i386_emulated; then
        wine_build_qemu_shim || wine_fail_setup "could not build the qemu shim (gcc -m32)"
    fi
}

# Starts Xvfb on a free display; sets wine_xvfb_pid and exports DISPLAY.
# Detached from our standard streams, so that it never holds a caller's pipe.
wine_start_xvfb() {
    command -v Xvfb >/dev/null || wine_fail_setup "Xvfb is not installed"
    local fd_file tries=0
    fd_file=$(mktemp) || wine_fail_setup "mktemp failed"
    setsid Xvfb -displayfd 3 -screen 0 "${WINE_RUN_SCREEN:-1024x768x24}" -nolisten tcp \
        3>"$fd_file" </dev/null >/dev/null 2>&1 9>&- &
    wine_xvfb_pid=$!
    while [ ! -s "$fd_file" ]; do
        kill -0 "$wine_xvfb_pid" 2>/dev/null || { rm -f "$fd_file"; wine_fail_setup "Xvfb did not start"; }
        tries=$((tries + 1))
        [ $tries -le 200 ] || { rm -f "$fd_file"; wine_fail_setup "Xvfb gave no display within 10 s"; }
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
}

# Takes the prefix lock on descriptor 9 (held until the caller exits; every
# Wine process is started with 9>&- so that none inherits it).
wine_lock_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")" || wine_fail_setup "cannot create $(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock -w 900 9 || wine_fail_setup "prefix $WINEPREFIX stayed locked for 15 minutes"
}

# Waits for the prefix's wineserver to end, killing it when it lingers.
wine_finish_wineserver() {
    timeout 30 wineserver -w 9>&- || wineserver -k 9>&- 2>/dev/null
}

# Creates the prefix when it is missing or was left half made. Needs the lock
# and a display. A half-made prefix is deleted only when the marker written
# before wineboot shows this script made it; any other folder there (a real
# prefix named by WINE_RUN_PREFIX) is refused, never touched.
wine_ensure_prefix() {
    [ -f "$WINEPREFIX/.tarvex-ready" ] && return 0
    if [ -e "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/.tarvex-made" ] &&
        [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ]; then
        wine_fail_setup "$WINEPREFIX exists but was not made by these scripts (no .tarvex-made in it); it is left as it is: set WINE_RUN_PREFIX to a new folder"
    fi
    wine_say "creating Wine prefix $WINEPREFIX"
    wineserver -k 9>&- 2>/dev/null
    if [ -f "$WINEPREFIX/.tarvex-made" ]; then
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX" && touch "$WINEPREFIX/.tarvex-made" || wine_fail_setup "cannot create $WINEPREFIX"
    timeout -k 5 600 wineboot -i </dev/null >/dev/null 2>&1 9>&-
    local boot_rc=$?
    # Unmanaged windows: with no window manager on Xvfb, Wine would wait two
    # seconds for one each time it hides a managed window.
    [ $boot_rc -eq 0 ] && timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1 9>&-
    boot_rc=$?
    wine_finish_wineserver
    [ $boot_rc -eq 0 ] && [ -f "$WINEPREFIX/system.reg" ] || wine_fail_setup "wineboot failed (exit $boot_rc)"
    touch "$WINEPREFIX/.tarvex-ready"
}

# The display of a running session (wine-session start) on this prefix, or
# nothing.
wine_session_display() {
    local pid
    pid=$(cat "$wine_session_dir/xvfb.pid" 2>/dev/null) || return 1
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
    [ "$(cat "$wine_session_dir/prefix" 2>/dev/null)" = "$WINEPREFIX" ] || return 1
    cat "$wine_session_dir/display" 2>/dev/null
}
