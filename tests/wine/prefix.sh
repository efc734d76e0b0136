#!/usr/bin/env bash
# The private Wine bench of one build: a prefix, a Chinese (code page 936) locale, a HOME of its
# own and, when no display is given, a virtual X display. Never touches the user's own prefix.
#
#   prefix.sh setup DIR [KEEPER] create what is missing, start Xvfb (if needed) and a wineserver;
#                                with KEEPER, start that program to hold the desktop open
#   prefix.sh run DIR EXE ARGS   run a Windows program in the bench
#   prefix.sh stop DIR           stop the wineserver and the Xvfb started by setup
set -euo pipefail

cmd=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

bench_env() {
    export WINEPREFIX="$dir/prefix"
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
    export HOME="$dir/home"
    export XDG_CONFIG_HOME="$dir/home/.config" XDG_DATA_HOME="$dir/home/.local/share"
    # Applied to Wine's processes only (through env), so this shell keeps its own locale.
    locale_env=(LOCPATH="$dir/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)
    if [ -s "$dir/display" ]; then
        DISPLAY=":$(cat "$dir/display")"
        export DISPLAY
    fi
}

start_xvfb() {
    [ -n "${DISPLAY:-}" ] && return 0
    if [ -s "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
        return 0
    fi
    rm -f "$dir/display"
    # -displayfd picks a free display number and writes it once the server is ready.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$dir/display" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start; see $dir/xvfb.log" >&2
    return 1
}

case "$cmd" in
setup)
    mkdir -p "$dir/home"
    if [ ! -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$dir/locale"
        localedef -i zh_CN -f UTF-8 "$dir/locale/zh_CN.UTF-8" 2>/dev/null || true
        [ -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ] || { echo "localedef zh_CN failed" >&2; exit 1; }
    fi
    start_xvfb
    bench_env
    if [ ! -f "$dir/prefix/system.reg" ]; then
        echo "Creating Wine prefix $WINEPREFIX" >&2
        env "${locale_env[@]}" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
        wineserver -w
    fi
    # A wineserver that outlives each test program saves its start-up on every test.
    env "${locale_env[@]}" setsid wineserver -p30 </dev/null >/dev/null 2>&1 || true
    # On our own Xvfb there is no window manager: unmanaged windows spare Wine its wait for a
    # manager's answer (two seconds per closed window). On a real display the manager stays.
    managed=Y
    [ -s "$dir/display" ] && managed=N
    env "${locale_env[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f \
        </dev/null >/dev/null 2>&1
    if [ $# -ge 1 ]; then
        # The keeper marks a file once it has joined the desktop; the tests start after that.
        ready="$dir/keeper.ready"
        rm -f "$ready"
        env "${locale_env[@]}" setsid wine "$1" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do
            [ -e "$ready" ] && break
            sleep 0.1
        done
        [ -e "$ready" ] || { echo "the desktop keeper did not start" >&2; exit 1; }
    fi
    ;;
run)
    bench_env
    exec env "${locale_env[@]}" wine "$@"
    ;;
stop)
    bench_env
    wineserver -k 2>/dev/null || true
    if [ -s "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
*)
    echo "usage: prefix.sh setup|run|stop DIR [EXE ARGS...]" >&2
    exit 2
    ;;
esac
