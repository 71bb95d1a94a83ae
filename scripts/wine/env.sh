# shellcheck shell=bash
# Helpers that give every Wine test its own prefix, an X display and a clean exit.
# Source this file, then:
#   qc_wine_env "$dir/prefix"; qc_xvfb_start; trap qc_cleanup EXIT
#   qc_wine_prefix_init; qc_wine_drives "$dir/drives"
#   qc_timeout 60 "$QC_WINE" program.exe ...
# Every function works under `set -euo pipefail` and never waits for input.

# Exports the environment for the prefix PREFIXDIR (made absolute) and finds wine and wineserver.
qc_wine_env() {
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "qc_wine_env: usage: qc_wine_env PREFIXDIR" >&2
    return 2
  fi
  local dir=$1
  case $dir in /*) ;; *) dir=$PWD/$dir ;; esac
  dir=${dir%/}
  # Never touch the user's own prefix: tests may wipe or kill what they are given.
  if [ -z "$dir" ] || [ "$dir" = "${HOME:-/nonexistent}/.wine" ]; then
    echo "qc_wine_env: refusing prefix '$1'" >&2
    return 2
  fi
  export WINEPREFIX=$dir
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=C.UTF-8
  export TZ=UTC
  # A stray WINESERVER or WINELOADER from the caller could pair us with another Wine build.
  unset WINESERVER WINELOADER

  local c
  QC_WINE=
  for c in "$(command -v wine 2>/dev/null || true)" /usr/bin/wine /usr/lib/wine/wine /usr/lib/wine/wine64; do
    if [ -n "$c" ] && [ -x "$c" ]; then QC_WINE=$c; break; fi
  done
  # Some kernels are built without 32-bit support: the 32-bit loader then cannot start at all, and
  # only 64-bit programs run, through the 64-bit loader. QC_WINE_ARCH says which programs can run.
  QC_WINE_ARCH=i686
  if [ -x /usr/lib/wine/wine64 ] && ! qc_runs_32bit; then
    QC_WINE=/usr/lib/wine/wine64
    export WINELOADER=$QC_WINE
    QC_WINE_ARCH=x86_64
  fi
  QC_WINESERVER=
  for c in "$(command -v wineserver 2>/dev/null || true)" /usr/lib/wine/wineserver /usr/lib/wine/wineserver64 \
           /usr/lib/wine/wineserver32; do
    if [ -n "$c" ] && [ -x "$c" ]; then QC_WINESERVER=$c; break; fi
  done
  if [ -z "$QC_WINE" ] || [ -z "$QC_WINESERVER" ]; then
    echo "qc_wine_env: wine or wineserver not found (run scripts/setup.sh)" >&2
    return 1
  fi
  export QC_WINE QC_WINESERVER QC_WINE_ARCH
}

# Can this machine run 32-bit programs? Wine's 32-bit loader answers --version without a prefix.
qc_runs_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# timeout with a hard kill 5 s after the polite one; works on commands, not on shell functions.
qc_timeout() {
  if [ $# -lt 2 ]; then
    echo "qc_timeout: usage: qc_timeout SECS cmd..." >&2
    return 2
  fi
  local secs=$1
  shift
  timeout -k 5 "$secs" "$@"
}

_qc_need_env() {
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${QC_WINE:-}" ] || [ -z "${QC_WINESERVER:-}" ]; then
    echo "${1:-qc}: call qc_wine_env first" >&2
    return 2
  fi
}

# Waits until every process of our prefix has ended and the server has written the registry out.
qc_wineserver_wait() {
  _qc_need_env qc_wineserver_wait || return
  qc_timeout "${1:-120}" "$QC_WINESERVER" -w
}

# Stops our prefix's server and everything running in it; the next wine command starts a fresh one.
qc_wineserver_restart() {
  _qc_need_env qc_wineserver_restart || return
  qc_timeout 30 "$QC_WINESERVER" -k >/dev/null 2>&1 || true
  qc_timeout 60 "$QC_WINESERVER" -w
}

# A folder that is plainly a (possibly half-made) prefix, or holds nothing but Wine's own notes: Wine
# writes its server-folder note ("wineserver") even into a folder that is no prefix yet.
_qc_wipeable_prefix() {
  local d=$1 f
  [ -d "$d" ] || return 1
  if [ -e "$d/system.reg" ] || [ -d "$d/dosdevices" ] || [ -d "$d/drive_c" ]; then
    return 0
  fi
  for f in "$d"/* "$d"/.[!.]* "$d"/..?*; do
    [ -e "$f" ] || [ -L "$f" ] || continue
    case ${f##*/} in
      wineserver | .update-timestamp) ;;
      *) return 1 ;;
    esac
  done
  return 0
}

# Creates the prefix when it is missing or an earlier attempt did not finish, then sets the values
# that keep tests from stalling under Xvfb. A stamp marks a finished prefix, so a second call is cheap.
qc_wine_prefix_init() {
  _qc_need_env qc_wine_prefix_init || return
  local stamp=$WINEPREFIX/.qc-prefix-ready-2
  if [ -f "$stamp" ]; then
    _qc_wine_fonts
    return 0
  fi

  if [ -e "$WINEPREFIX" ]; then
    # Unfinished: a crash or a timeout during an earlier init. Only wipe what is plainly a prefix
    # (or an empty folder), never an unrelated directory someone pointed us at by mistake.
    if _qc_wipeable_prefix "$WINEPREFIX"; then
      qc_wineserver_restart >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
    else
      echo "qc_wine_prefix_init: $WINEPREFIX exists and is not a Wine prefix; not touching it" >&2
      return 1
    fi
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"

  # Set-up commands run from a neutral folder: a test's reg.exe in the current one would be run instead.
  (
    cd / || exit 1
    # No display while booting: nothing can pop up, and Xvfb need not be up yet.
    unset DISPLAY WAYLAND_DISPLAY
    qc_timeout 300 "$QC_WINE" wineboot -i </dev/null >/dev/null 2>&1 || {
      echo "qc_wine_prefix_init: wineboot -i failed" >&2
      exit 1
    }
    qc_timeout 120 "$QC_WINESERVER" -w || exit 1
    # Without a window manager every close of a managed top-level window waits about 2 s.
    qc_timeout 60 "$QC_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 || { echo "qc_wine_prefix_init: reg add Managed failed" >&2; exit 1; }
    # A crash must end the process, not wait on a dialog nobody will answer.
    qc_timeout 60 "$QC_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1 || { echo "qc_wine_prefix_init: reg add ShowCrashDialog failed" >&2; exit 1; }
    # The window's fonts are not in Wine; show them in their metric-compatible free twins.
    local face
    for face in "Times New Roman" "Book Antiqua"; do
      qc_timeout 60 "$QC_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
        /d "Liberation Serif" /f </dev/null >/dev/null 2>&1 || true
    done
    qc_timeout 120 "$QC_WINESERVER" -w || exit 1
  ) || return 1
  _qc_wine_fonts
  : >"$stamp"
}

# Wine draws the caption buttons (close, minimise), scroll arrows and check marks with the
# symbol font Marlett. Debian's Wine looks for fonts only in the prefix's Fonts folder and
# through fontconfig, and neither sees the copy fonts-wine installs in /usr/share/wine/fonts:
# without it the close button shows the letter "r". Put it where Wine looks.
_qc_wine_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts f
  [ -d "$fonts" ] && [ ! -e "$fonts/marlett.ttf" ] || return 0
  for f in /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/truetype/wine/marlett.ttf; do
    if [ -f "$f" ]; then
      cp "$f" "$fonts/"
      return 0
    fi
  done
  echo "qc_wine_prefix_init: marlett.ttf not found (fonts-wine); caption buttons show letters" >&2
}

# Maps d: .. p: (p: for decoys) to scratch folders ROOTDIR/d .. ROOTDIR/p, made when missing and
# otherwise left as they are, and restarts the server: file access sees new links at once, but
# GetLogicalDrives did not always. Kills whatever runs in the prefix: call it before starting programs.
qc_wine_drives() {
  _qc_need_env qc_wine_drives || return
  if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "qc_wine_drives: usage: qc_wine_drives ROOTDIR" >&2
    return 2
  fi
  local root=$1 l
  case $root in /*) ;; *) root=$PWD/$root ;; esac
  local dd=$WINEPREFIX/dosdevices
  if [ ! -d "$dd" ]; then
    echo "qc_wine_drives: $dd missing (run qc_wine_prefix_init)" >&2
    return 1
  fi
  for l in d e f g h i j k l m n o p; do
    mkdir -p "$root/$l"
    # The mount manager may have put a device link (x::) for the same letter; drop it.
    rm -f "$dd/$l::"
    ln -sfn "$root/$l" "$dd/$l:"
  done
  qc_wineserver_restart
}

# Is there an X server on $DISPLAY that accepts us?
_qc_display_works() {
  [ -n "${DISPLAY:-}" ] || return 1
  if command -v xdpyinfo >/dev/null 2>&1; then
    timeout 5 xdpyinfo >/dev/null 2>&1
  elif command -v xwininfo >/dev/null 2>&1; then
    timeout 5 xwininfo -root >/dev/null 2>&1
  else
    # Without the X utilities, settle for the local socket of ":N".
    local n=${DISPLAY#:}
    n=${n%%.*}
    [ -S "/tmp/.X11-unix/X$n" ]
  fi
}

# Starts Xvfb on a free display unless $DISPLAY already works. Exports DISPLAY and QC_XVFB_PID.
# Best called before any program runs in the prefix: a new display restarts the prefix's server.
qc_xvfb_start() {
  if _qc_display_works; then
    return 0
  fi
  local dfile log pid n="" i
  dfile=$(mktemp "${TMPDIR:-/tmp}/qc-xvfb.XXXXXX")
  log=${QC_XVFB_LOG:-/dev/null}
  # -displayfd picks a free display and writes its number once the server accepts clients. The server
  # keeps none of our pipes open, so $(...) around a caller does not hang on it.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dfile" </dev/null >"$log" 2>&1 &
  pid=$!
  for ((i = 0; i < 200; i++)); do
    n=$(tr -dc '0-9' <"$dfile" 2>/dev/null || true)
    if [ -n "$n" ] && [ "$(wc -l <"$dfile")" -ge 1 ]; then break; fi
    if ! kill -0 "$pid" 2>/dev/null; then n=""; break; fi
    sleep 0.05
  done
  rm -f "$dfile"
  if [ -z "$n" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "qc_xvfb_start: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=:$n
  export QC_XVFB_PID=$pid
  # A prefix's desktop process keeps the display of the program that started its wineserver; one
  # started before this display existed draws nowhere and every window fails. Start it afresh.
  if [ -n "${WINEPREFIX:-}" ] && [ -n "${QC_WINESERVER:-}" ] && [ -e "$WINEPREFIX/system.reg" ]; then
    qc_wineserver_restart >/dev/null 2>&1 || true
  fi
}

# Ends everything we started: our prefix's server and its programs, then our Xvfb.
# For `trap qc_cleanup EXIT`: keeps the script's exit status and never fails itself.
qc_cleanup() {
  local rc=$?
  # Only a folder Wine has used can have a server (asking elsewhere would leave Wine's note there).
  if [ -n "${WINEPREFIX:-}" ] && [ -n "${QC_WINESERVER:-}" ] &&
     { [ -e "$WINEPREFIX/wineserver" ] || [ -e "$WINEPREFIX/system.reg" ] ||
       [ -d "$WINEPREFIX/drive_c" ] || [ -d "$WINEPREFIX/dosdevices" ]; }; then
    timeout -k 5 30 "$QC_WINESERVER" -k >/dev/null 2>&1 || true
    timeout -k 5 60 "$QC_WINESERVER" -w >/dev/null 2>&1 || true
  fi
  if [ -n "${QC_XVFB_PID:-}" ]; then
    kill "$QC_XVFB_PID" 2>/dev/null || true
    local i
    for ((i = 0; i < 100; i++)); do
      kill -0 "$QC_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$QC_XVFB_PID" 2>/dev/null; then kill -9 "$QC_XVFB_PID" 2>/dev/null || true; fi
    wait "$QC_XVFB_PID" 2>/dev/null || true
    unset QC_XVFB_PID
  fi
  return $rc
}
