# Sourced by the scripts that run Windows programs under Wine: a prefix of its own, made once,
# quietly and finished before anything is timed, with the null graphics driver when there is no
# display (the window tests need real windows, which Wine makes only with a driver).
export WINEDEBUG=-all
# Wine keeps its prefix under the home folder; a bare CI environment may not name one.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix $WINEPREFIX ==" >&2
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >&2
    wineserver -w
fi
if [ -z "${DISPLAY:-}" ] &&
    ! wine reg query 'HKCU\Software\Wine\Drivers' /v Graphics 2>/dev/null | grep -q null; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -k || true
    wineserver -w
fi
# A program that crashes ends with an error status, as it would on a machine without a debugger,
# instead of waiting in Wine's. Auto must be 1: with 0 Wine first asks in a dialog whether to
# debug, once the program has loaded the window library, and with no display nobody answers. The
# empty Debugger is a command that cannot start, so none is. (Programs of ours that run as a
# child end themselves quietly, whatever this says: platform::EndQuietlyOnCrash.)
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
aedebug_now=$(wine reg query "$aedebug" 2>/dev/null | tr -d '\r')
if grep -q winedbg <<<"$aedebug_now" || ! grep -qE '^ +Auto +REG_SZ +1$' <<<"$aedebug_now"; then
    wine reg add "$aedebug" /v Debugger /d "" /f >/dev/null
    wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null
fi
