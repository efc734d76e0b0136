#!/usr/bin/env bash
# The private Wine bench of one build: a prefix, a Chinese (code page 936) locale, a HOME of its
# own and, when no display is given, a virtual X display. Never touches the user's own prefix.
# This is the one place that decides how Wine is started (see "Loaders" below).
#
#   prefix.sh setup DIR [--win64|--win32] [KEEPER]
#                                create what is missing, start Xvfb (if needed) and a wineserver;
#                                --win32 makes a 32-bit prefix (32-bit Windows) instead of the
#                                64-bit one; with KEEPER, start that program to hold the desktop.
#                                SETUP_BENCH_DPI=144 sets the prefix's screen to 144 DPI (150 %).
#   prefix.sh run DIR EXE ARGS   run a Windows program in the bench
#   prefix.sh stop DIR           stop the wineserver and the Xvfb started by setup
#   prefix.sh can32              exit 0 when this machine can run 32-bit Windows programs;
#                                otherwise print why on standard output and exit 1
set -euo pipefail

# Loaders. Debian's `wine` wrapper picks the 32-bit loader whenever wine32 is installed, even on
# a machine whose kernel cannot execute 32-bit programs ("Exec format error"), and then fails for
# 64-bit programs too. So the loaders are called directly: the 64-bit one for a 64-bit prefix
# (it starts the 32-bit loader itself for a 32-bit program, through WINELOADER), the 32-bit one
# for a 32-bit prefix only.
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64

# Whether 32-bit programs run here: the 32-bit loader must start. SETUP_NO_32BIT=1 answers no
# on any machine, so that path can be tried where 32-bit programs do run.
can32() {
    if [ -n "${SETUP_NO_32BIT:-}" ]; then
        echo "SETUP_NO_32BIT is set"
        return 1
    fi
    if [ ! -x "$WINE32" ]; then
        echo "the 32-bit Wine loader ($WINE32, Debian's wine32:i386) is not installed"
        return 1
    fi
    local out
    if ! out=$("$WINE32" --version 2>&1); then
        echo "this machine cannot execute 32-bit programs (${out##*: })"
        return 1
    fi
    return 0
}

if [ "${1:-}" = can32 ]; then
    can32
    exit
fi

cmd=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

bench_env() {
    export WINEPREFIX="$dir/prefix"
    WINEARCH=win64
    [ -s "$dir/arch" ] && WINEARCH=$(cat "$dir/arch")
    export WINEARCH
    if [ "$WINEARCH" = win32 ]; then
        loader=$WINE32
    else
        loader=$WINE64
    fi
    export WINELOADER=$loader WINESERVER
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
    arch=win64
    if [ "${1:-}" = --win64 ]; then
        shift
    elif [ "${1:-}" = --win32 ]; then
        arch=win32
        shift
        if ! why=$(can32); then
            echo "a 32-bit prefix cannot be made: $why" >&2
            exit 1
        fi
    fi
    # A prefix keeps the architecture it was made with.
    if [ -f "$dir/prefix/system.reg" ] && [ "$(cat "$dir/arch" 2>/dev/null || echo win64)" != $arch ]; then
        rm -rf "$dir/prefix"
    fi
    echo $arch >"$dir/arch"
    mkdir -p "$dir/home"
    if [ ! -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$dir/locale"
        localedef -i zh_CN -f UTF-8 "$dir/locale/zh_CN.UTF-8" 2>/dev/null || true
        [ -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ] || { echo "localedef zh_CN failed" >&2; exit 1; }
    fi
    start_xvfb
    bench_env
    if [ ! -f "$dir/prefix/system.reg" ]; then
        echo "Creating Wine prefix $WINEPREFIX ($WINEARCH)" >&2
        if ! env "${locale_env[@]}" "$loader" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1; then
            echo "wineboot failed; see $dir/wineboot.log:" >&2
            tail -5 "$dir/wineboot.log" >&2
            exit 1
        fi
        "$WINESERVER" -w
    fi
    # Wine's own Marlett (the title bar's buttons) comes with fonts-wine, but this Wine looks for
    # it beside its data folder, where Debian does not put it: without it title bars show the
    # letters "0 1 r". It goes into the prefix's Fonts folder, as on Windows. (Tahoma would change
    # the dialog font every test measures its text with, so it is left out.)
    for font in marlett.ttf; do
        if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
            cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
        fi
    done
    # A wineserver that outlives each test program saves its start-up on every test.
    env "${locale_env[@]}" setsid "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true
    # The faces the wizard's windows ask for by name are the maker's: "方正兰亭黑_GBK" in the
    # code, and "MS Shell Dlg" in the dialog templates, which a Chinese Windows (and this prefix)
    # substitutes with SimSun. None is installed here, and the font mapper's own fallback may be
    # any font; Wine's replacement list maps each face that is not installed to the CJK font the
    # sample distribution ships (WenQuanYi Micro Hei, Debian's fonts-wqy-microhei, which Wine
    # finds among the host's fonts).
    cjk="WenQuanYi Micro Hei"
    if [ ! -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ]; then
        echo "fonts-wqy-microhei is not installed (tools/deps.sh installs it): the maker's faces fall back to WenQuanYi Zen Hei" >&2
        cjk="WenQuanYi Zen Hei"
    fi
    for face in 方正兰亭黑_GBK SimSun 宋体 NSimSun 新宋体; do
        env "${locale_env[@]}" "$loader" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
            /d "$cjk" /f </dev/null >/dev/null 2>&1
    done
    if [ -n "${SETUP_BENCH_DPI:-}" ]; then
        # Wine takes the screen's DPI from either key; programs started afterwards see it.
        for key in 'HKCU\Control Panel\Desktop' \
            'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
            env "${locale_env[@]}" "$loader" reg add "$key" /v LogPixels /t REG_DWORD \
                /d "$SETUP_BENCH_DPI" /f </dev/null >/dev/null 2>&1
        done
    fi
    # On our own Xvfb there is no window manager: unmanaged windows spare Wine its wait for a
    # manager's answer (two seconds per closed window). On a real display the manager stays.
    managed=Y
    [ -s "$dir/display" ] && managed=N
    env "${locale_env[@]}" "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f \
        </dev/null >/dev/null 2>&1
    if [ $# -ge 1 ]; then
        # The keeper marks a file once it has joined the desktop; the tests start after that.
        ready="$dir/keeper.ready"
        rm -f "$ready"
        env "${locale_env[@]}" setsid "$loader" "$1" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do
            [ -e "$ready" ] && break
            sleep 0.1
        done
        [ -e "$ready" ] || { echo "the desktop keeper did not start" >&2; exit 1; }
    fi
    ;;
run)
    bench_env
    exec env "${locale_env[@]}" "$loader" "$@"
    ;;
stop)
    bench_env
    "$WINESERVER" -k 2>/dev/null || true
    if [ -s "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
*)
    echo "usage: prefix.sh setup|run|stop DIR [EXE ARGS...] | prefix.sh can32" >&2
    exit 2
    ;;
esac
