# shellcheck shell=bash
# Shared by scripts/test-windows, scripts/test-msi, scripts/package-windows and
# scripts/test-desk: the cross build's configuration, a wine prefix of the
# project's own, a virtual X display, and finding, waiting on, typing into and
# clicking at the windows of a program on it. Source it after
# scripts/lib/common.sh; it defines functions only.

# Every wine command gets this long at most, so that nothing hangs the tests.
QUORVEL_WINE_TIMEOUT=${QUORVEL_WINE_TIMEOUT:-120}

# The cross build's folder; scripts/test-windows and scripts/package-windows
# share it, so that the package holds the programs the tests ran.
QUORVEL_WINDOWS_BUILD=build/windows

# quorvel_windows_configure: configures the cross build (mingw-w64, release
# with debug information, the Windows backend only).
quorvel_windows_configure() {
    cmake -S . -B "$QUORVEL_WINDOWS_BUILD" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WITH_QT=OFF
}

# quorvel_wine_prefix FOLDER: makes FOLDER the wine prefix (WINEPREFIX) and
# prepares it once: created without Mono and Gecko, the Windows fonts copied
# in (else "MS Sans Serif" silently becomes another font), window captions
# drawn by wine itself (there is no window manager), and crashes ending the
# program instead of waiting on a crash dialog.
quorvel_wine_prefix() {
    export WINEPREFIX=$1
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ -f "$WINEPREFIX/.quorvel-ready" ]; then
        return 0
    fi
    mkdir -p "$WINEPREFIX"
    timeout "$QUORVEL_WINE_TIMEOUT" wineboot --init
    timeout "$QUORVEL_WINE_TIMEOUT" wineserver --wait
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    timeout "$QUORVEL_WINE_TIMEOUT" wine reg add 'HKCU\Software\Wine\X11 Driver' \
        /v Decorated /t REG_SZ /d N /f >/dev/null
    timeout "$QUORVEL_WINE_TIMEOUT" wine reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    timeout "$QUORVEL_WINE_TIMEOUT" wineserver --wait
    touch "$WINEPREFIX/.quorvel-ready"
}

# quorvel_start_display: starts Xvfb on a free display number and exports
# DISPLAY; QUORVEL_XVFB_PID is its process. The server picks the number
# itself (-displayfd), so that displays started side by side never collide.
quorvel_start_display() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$number" >/dev/null 2>&1 &
    QUORVEL_XVFB_PID=$!
    if quorvel_wait_for 30 test -s "$number"; then
        export DISPLAY=":$(head -n 1 "$number")"
        rm -f "$number"
        quorvel_wait_for 10 quorvel_display_ready && return 0
    fi
    rm -f "$number"
    kill "$QUORVEL_XVFB_PID" 2>/dev/null || true
    echo "error: no X display could be started" >&2
    return 1
}

quorvel_display_ready() {
    xdotool getmouselocation >/dev/null 2>&1
}

# quorvel_stop_wine_and_display: ends every program of the prefix and the display.
quorvel_stop_wine_and_display() {
    if [ -n "${WINEPREFIX:-}" ]; then
        timeout "$QUORVEL_WINE_TIMEOUT" wineserver -k 2>/dev/null || true
    fi
    if [ -n "${QUORVEL_XVFB_PID:-}" ]; then
        kill "$QUORVEL_XVFB_PID" 2>/dev/null || true
        wait "$QUORVEL_XVFB_PID" 2>/dev/null || true
        QUORVEL_XVFB_PID=
    fi
}

# quorvel_wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it
# succeeds (0) or SECONDS have passed (1).
quorvel_wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            return 1
        fi
        sleep 0.2
    done
}

# quorvel_window NAME: prints the id of the visible window whose name is
# exactly NAME (xdotool's own search ignores case); fails when there is none.
quorvel_window() {
    local w
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

quorvel_no_window() {
    ! quorvel_window "$1" >/dev/null
}

# quorvel_keys NAME KEY...: gives the keyboard to the window named NAME and
# presses the keys (xdotool key names) in it.
quorvel_keys() {
    local w
    w=$(quorvel_window "$1")
    shift
    xdotool windowfocus --sync "$w"
    xdotool key --delay 50 "$@"
}

# quorvel_type NAME TEXT: types TEXT into the focused control of NAME.
quorvel_type() {
    local w
    w=$(quorvel_window "$1")
    xdotool windowfocus --sync "$w"
    xdotool type --delay 30 "$2"
}

# quorvel_click NAME X Y: moves the real X pointer to X, Y pixels from the
# top-left corner of the X window of the visible window named NAME (as
# quorvel_window finds it) and clicks button 1.
quorvel_click() {
    local w
    w=$(quorvel_window "$1") || return 1
    xdotool mousemove --window "$w" --sync "$2" "$3" click 1
}

# quorvel_file_size_is FILE BYTES
quorvel_file_size_is() {
    [ -f "$1" ] && [ "$(stat -c %s "$1")" -eq "$2" ]
}
