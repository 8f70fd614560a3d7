# Sourced by the scripts that run Windows programs under Wine: one prefix per
# build tree, one Xvfb display per run (a free one, chosen by Xvfb), both
# started and stopped by pid.
#   vantor_wine_setup <build-dir>   exports WINEPREFIX, DISPLAY, LANG, WINEDEBUG...
#   vantor_wine_teardown [kill_server]  ends what vantor_wine_setup started
#   vantor_kept_xvfb <record>       an Xvfb kept between runs (tools/run.sh)
# VANTOR_WINEPREFIX names another prefix, VANTOR_DISPLAY a display to use
# instead of a new Xvfb. VANTOR_DPI (other than 96) runs at that display scale
# in a prefix of its own beside the usual one (suffix -dpi<N>), whose LogPixels
# is set once, right after it is made: Wine 8 and Wine 10 read it when a
# program starts (Wine 10, like Windows, tells a program that is not DPI aware
# 96 DPI and scales what it sees: the tests at other scales carry a manifest).
# VANTOR_LANG (default zh_CN.UTF-8) is the system's language, and so its code
# page; another language than the default runs in a prefix of its own made
# under it (suffix -<language>, after any -dpi<N>). VANTOR_SCHEME=black gives
# the system the colours of Windows' High Contrast Black scheme, in a prefix of
# its own (suffix -black, last): Wine 8 reads HKCU\Control Panel\Colors when a
# program starts, but neither sets nor reports high contrast itself.
# VANTOR_WINE_MANAGED=Y lets a window manager manage the prefix's windows
# (a desktop); the default N suits a bare Xvfb.

# Xvfb chooses a free display itself (its lock file is taken atomically, so two
# runs starting together get two displays) and writes its number to the file
# descriptor -displayfd names once it accepts connections.
vantor_start_xvfb() {
    local ready n="" i
    ready=$(mktemp) || return 1
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
    VANTOR_XVFB_PID=$!
    for i in $(seq 1 200); do
        n=$(head -n 1 "$ready")
        if [ -n "$n" ] && [ "$(wc -l <"$ready")" -ge 1 ]; then break; fi
        n=""
        if ! kill -0 "$VANTOR_XVFB_PID" 2>/dev/null; then break; fi
        sleep 0.05
    done
    rm -f "$ready"
    if [ -z "$n" ]; then
        echo "wine-env: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

# True when <pid> is an Xvfb serving <display> (":N") that answers: one of
# its open files is the display's listening socket (an Xvfb that chose its
# display with -displayfd has none on its command line).
vantor_is_xvfb() {
    local cmd inodes inode
    [[ "$1" =~ ^[0-9]+$ && "$2" =~ ^:[0-9]+$ ]] || return 1
    cmd=$(tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline") || return 1
    [[ "$cmd" == Xvfb\ * ]] || return 1
    inodes=$(awk -v p="/tmp/.X11-unix/X${2#:}" '$8 == p || $8 == "@" p {print $7}' /proc/net/unix)
    for inode in $inodes; do
        if ls -l "/proc/$1/fd" 2>/dev/null | grep -q "socket:\[$inode\]"; then
            xdpyinfo -display "$2" >/dev/null 2>&1
            return
        fi
    done
    return 1
}

# An Xvfb kept from run to run: <record> holds the display and pid of the one
# started last; it is used again while that pid is still an Xvfb on that
# display, else a new one is started and recorded. Exports DISPLAY, sets
# VANTOR_XVFB_PID and VANTOR_XVFB_REUSED (1 or 0).
#   vantor_kept_xvfb <record>
vantor_kept_xvfb() {
    local record="$1" lock display pid status=0
    # One run at a time checks and starts; the Xvfb must not inherit the lock.
    exec {lock}>"$record.lock"
    flock "$lock"
    if read -r display pid 2>/dev/null <"$record" && vantor_is_xvfb "$pid" "$display"; then
        export DISPLAY="$display"
        VANTOR_XVFB_PID="$pid" VANTOR_XVFB_REUSED=1
    elif vantor_start_xvfb {lock}>&-; then
        echo "$DISPLAY $VANTOR_XVFB_PID" >"$record"
        VANTOR_XVFB_REUSED=0
    else
        status=1
    fi
    exec {lock}>&-
    return "$status"
}

# Wine's own fonts (package fonts-wine). Debian's Wine 8 looks for them in a
# data folder it names wrongly (Z:\usr\share\wine\../fonts), so none of them
# is loaded; the caption buttons, drawn as the characters "0 1 r" of the
# Marlett symbol font, then come out as letters of a fallback font. Wine loads
# every font file in the prefix's Fonts folder, so Marlett goes there.
vantor_wine_font_dirs="/usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine-stable/share/wine/fonts"

# The black scheme as a .reg file: white text on black, selected text black
# on cyan, disabled text green, white 3-D edges and frames; and no visual
# style, which Windows also turns off in high contrast (Wine's "Light" style
# would draw the buttons and title bars in colours of its own).
vantor_black_scheme_reg() {
    local name rgb
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\r\n'
    printf '"ThemeActive"="0"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
    while read -r name rgb; do
        printf '"%s"="%s"\r\n' "$name" "$rgb"
    done <<'EOF_COLORS'
ActiveBorder 0 0 0
ActiveTitle 0 0 0
AppWorkspace 0 0 0
Background 0 0 0
ButtonAlternateFace 0 0 0
ButtonDkShadow 255 255 255
ButtonFace 0 0 0
ButtonHilight 255 255 255
ButtonLight 255 255 255
ButtonShadow 128 128 128
ButtonText 255 255 255
GradientActiveTitle 0 0 0
GradientInactiveTitle 0 0 0
GrayText 63 242 63
Hilight 26 235 255
HilightText 0 0 0
HotTrackingColor 255 255 0
InactiveBorder 0 0 0
InactiveTitle 0 0 0
InactiveTitleText 255 255 255
InfoText 255 255 255
InfoWindow 0 0 0
Menu 0 0 0
MenuBar 0 0 0
MenuHilight 26 235 255
MenuText 255 255 255
Scrollbar 0 0 0
TitleText 255 255 255
Window 0 0 0
WindowFrame 255 255 255
WindowText 255 255 255
EOF_COLORS
}

vantor_install_marlett() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" dir
    [ -f "$fonts/marlett.ttf" ] && return 0
    for dir in $vantor_wine_font_dirs; do
        if [ -f "$dir/marlett.ttf" ]; then
            mkdir -p "$fonts" && cp "$dir/marlett.ttf" "$fonts/marlett.ttf"
            return
        fi
    done
    echo "wine-env: marlett.ttf not found (package fonts-wine); caption buttons show letters" >&2
}

# Creates the prefix once and keeps its settings (serialised with a lock, ctest
# may run tests in parallel).
vantor_init_prefix() {
    local managed="${VANTOR_WINE_MANAGED:-N}"
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.vantor-ready" ]; then
            WINEARCH=win32 wineboot -i >/dev/null 2>&1
            wineserver -w
            touch "$WINEPREFIX/.vantor-ready"
        fi
        vantor_install_marlett
        # Windows links its user-interface fonts (Tahoma, the dialogs' font) to
        # its Chinese fonts, so Chinese texts show on a system of any language;
        # Wine's links name Windows' own font files, missing here. Linked to the
        # WenQuanYi font instead, Chinese shows under en_US as under zh_CN.
        if [ ! -f "$WINEPREFIX/.vantor-fontlink2" ]; then
            for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
                wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                    /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
            done
            touch "$WINEPREFIX/.vantor-fontlink2"
        fi
        if [ -n "${VANTOR_DPI:-}" ] && [ "$(cat "$WINEPREFIX/.vantor-dpi" 2>/dev/null)" != "$VANTOR_DPI" ]; then
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VANTOR_DPI" /f \
                >/dev/null 2>&1
            echo "$VANTOR_DPI" >"$WINEPREFIX/.vantor-dpi"
        fi
        # Imported again whenever the scheme's file changes (kept as the marker).
        if [ "${VANTOR_SCHEME:-}" = black ]; then
            vantor_black_scheme_reg >"$WINEPREFIX/drive_c/black-scheme.reg"
            if ! cmp -s "$WINEPREFIX/drive_c/black-scheme.reg" "$WINEPREFIX/.vantor-scheme.reg" &&
                wine reg import 'C:\black-scheme.reg' >/dev/null 2>&1; then
                cp "$WINEPREFIX/drive_c/black-scheme.reg" "$WINEPREFIX/.vantor-scheme.reg"
            fi
            rm -f "$WINEPREFIX/drive_c/black-scheme.reg"
        fi
        # Without a window manager Wine waits 2 s whenever a top-level window is
        # hidden or destroyed unless windows are unmanaged; with one (a desktop)
        # unmanaged windows would escape it: no frame, no taskbar entry.
        if [ "$(cat "$WINEPREFIX/.vantor-managed" 2>/dev/null)" != "$managed" ]; then
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
            echo "$managed" >"$WINEPREFIX/.vantor-managed"
        fi
    ) 9>"$WINEPREFIX.lock"
}

vantor_wine_setup() {
    local build_dir="$1"
    export WINEPREFIX="${VANTOR_WINEPREFIX:-$build_dir/wineprefix}"
    case "${VANTOR_DPI:-}" in
    "" | 96) unset VANTOR_DPI ;;
    *[!0-9]*) echo "wine-env: VANTOR_DPI must be a number" >&2; return 1 ;;
    *) WINEPREFIX="$WINEPREFIX-dpi$VANTOR_DPI" ;;
    esac
    # A prefix keeps the system fonts and charsets of the language it was made
    # under: each language other than the usual one has a prefix of its own.
    case "${VANTOR_LANG:-zh_CN.UTF-8}" in
    zh_CN.UTF-8) ;;
    *[!A-Za-z0-9_.@-]*) echo "wine-env: VANTOR_LANG must be a locale name" >&2; return 1 ;;
    *) WINEPREFIX="$WINEPREFIX-${VANTOR_LANG%%.*}" ;;
    esac
    case "${VANTOR_SCHEME:-}" in
    "") ;;
    black) WINEPREFIX="$WINEPREFIX-black" ;;
    *) echo "wine-env: VANTOR_SCHEME must be black or empty" >&2; return 1 ;;
    esac
    export WINEARCH=win32
    export WINEDEBUG=-all
    # The system's language decides Wine's code page: zh_CN 936 (the default),
    # en_US 1252, zh_TW 950, ja_JP 932, ko_KR 949, hi_IN UTF-8 (VANTOR_LANG).
    export LANG="${VANTOR_LANG:-zh_CN.UTF-8}"
    export LC_ALL="$LANG"
    # VANTOR_DLLOVERRIDES adds a test's own overrides (a planted library that
    # Wine would otherwise replace by its own).
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${VANTOR_DLLOVERRIDES:+;$VANTOR_DLLOVERRIDES}"
    VANTOR_XVFB_PID=""
    if [ -n "${VANTOR_DISPLAY:-}" ]; then
        export DISPLAY="$VANTOR_DISPLAY"
    else
        vantor_start_xvfb || return 1
    fi
    vantor_init_prefix
}

# Ends what vantor_wine_setup started. With `kill_server` the prefix's Wine
# processes are ended too; without, the server is left to end by itself once
# its last program is gone (other programs may still share the prefix).
vantor_wine_teardown() {
    if [ "${1:-}" = kill_server ]; then
        WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "${VANTOR_XVFB_PID:-}" ]; then
        kill "$VANTOR_XVFB_PID" 2>/dev/null || true
        wait "$VANTOR_XVFB_PID" 2>/dev/null || true
        VANTOR_XVFB_PID=""
    fi
}
