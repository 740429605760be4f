# Shared by the scripts: where things are, the private Wine set-up for the Windows build, and how
# a preset is built.
# shellcheck shell=bash
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver64
export WINEPREFIX="$ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
export LC_ALL=en_US.UTF-8

# Creates the private Wine prefix once, before any Windows program runs in it.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE_LOADER" wineboot -i >/dev/null 2>&1 || true
    "$WINE_SERVER" -w
  fi
}

# Steps run when the calling script exits, in the order they were added.
EXIT_STEPS=()
run_exit_steps() {
  local step
  for step in "${EXIT_STEPS[@]}"; do
    $step
  done
}
add_exit_step() {
  EXIT_STEPS+=("$1")
  trap run_exit_steps EXIT
}

# Starts this prefix's own persistent wineserver and stops it when the calling script exits.
start_wine_server() {
  # Only a server this script started is stopped again; one already running for the prefix
  # (another script's) is used as it is.
  if "$WINE_SERVER" -p 2>/dev/null; then
    add_exit_step stop_wine_server
  fi
  # Wine starts its background services with the first program; started here, they inherit
  # /dev/null rather than a test's output pipe, which they would otherwise hold open.
  "$WINE_LOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine_server() {
  "$WINE_SERVER" -k >/dev/null 2>&1 || true
}

# The system user that the Windows suites run as once more when the scripts run as root
# (scripts/provision creates it, tests/run_as_unprivileged_user uses it).
UNPRIVILEGED_USER=orxtest

# Mounts a small volume of its own (root only) and exports it as ORX_SMALL_VOLUME, so that the
# tests of a full disk run; it is unmounted when the calling script exits. Without it they skip.
mount_small_volume() {
  [ "$(id -u)" -eq 0 ] || return 0
  # Lower case: the program shows the paths it is given in lower case, and the tests compare them.
  local volume="/tmp/orxconfig-small-volume-$$"
  mkdir -p "$volume"
  if mount -t tmpfs -o size=512k,mode=1777 tmpfs "$volume" 2>/dev/null; then
    export ORX_SMALL_VOLUME="$volume"
    add_exit_step unmount_small_volume
  else
    echo "no small volume could be mounted: the full-disk tests skip" >&2
    rmdir "$volume"
  fi
}

unmount_small_volume() {
  umount "$ORX_SMALL_VOLUME" && rmdir "$ORX_SMALL_VOLUME"
}

# Configures one preset and builds it whole, or only the targets named after it.
build_preset() {
  local preset=$1
  shift
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" "${targets[@]}" -- -j"$(nproc)"
}
