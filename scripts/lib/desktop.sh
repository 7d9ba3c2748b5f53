# A desktop for the settings program, as Windows has one at logon: the person's display when
# there is one, else an Xvfb of our own. Sourced, not run, after family.sh (whose family_spawn
# remembers the X server so that family_stop ends it).

DESKTOP_OWN=0

# Sets DISPLAY; starts Xvfb on a free display (from :71 up) when there is none.
desktop_start() {
    local logs=$1 n
    if [[ -n "${DISPLAY:-}" ]]; then
        return 0
    fi
    for n in $(seq 71 99); do
        # The lock file is ours once made with noclobber; Xvfb makes its own in its place.
        if (set -o noclobber; echo $$ >"/tmp/.X$n-lock") 2>/dev/null; then
            rm -f "/tmp/.X$n-lock"
            family_spawn "$logs/xvfb.log" Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp
            for _ in $(seq 100); do
                [[ -S "/tmp/.X11-unix/X$n" ]] && break
                sleep 0.1
            done
            export DISPLAY=":$n"
            DESKTOP_OWN=1
            return 0
        fi
    done
    echo "desktop: no free X display" >&2
    return 1
}

# Readies the private prefix for windows. Without a window manager (our Xvfb), Wine must not
# manage windows, or each hide or close stalls for seconds; on a person's display their window
# manager does it. Captions need Wine's own fonts. The prefix's desktop belongs to the display
# its first program starts on, so any server of an earlier run is ended first.
desktop_prepare_prefix() {
    local managed=Y
    [[ $DESKTOP_OWN -eq 1 ]] && managed=N
    "$FAMILY_WIN/wine-run" --stop
    wrun reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
    if [[ ! -f "$PC_WINEPREFIX/.fonts-ready" ]]; then
        mkdir -p "$PC_WINEPREFIX/drive_c/windows/Fonts"
        cp /usr/share/wine/fonts/* "$PC_WINEPREFIX/drive_c/windows/Fonts/"
        touch "$PC_WINEPREFIX/.fonts-ready"
        "$FAMILY_WIN/wine-run" --stop
    fi
}

# A picture of the whole screen, when the screen is ours: a person's own is theirs.
desktop_screenshot() {
    [[ $DESKTOP_OWN -eq 1 ]] || return 0
    import -display "$DISPLAY" -window root "$1" 2>/dev/null || true
}
