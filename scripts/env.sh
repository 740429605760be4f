# Shared by the scripts: where things are, and the private Wine set-up for the Windows build.
# shellcheck shell=bash
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver64
export WINEPREFIX="$ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
export LC_ALL=en_US.UTF-8

# Installs the given packages where they are missing (by default, what the builds need), and the
# locale the tests run in.
ensure_packages() {
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] ||
    wanted=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine64 googletest locales valgrind)
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  local missing=()
  for package in "${wanted[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
    $sudo sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
    $sudo locale-gen >/dev/null
  fi
}

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

# Windows refuses every user a write into a read-only file; Wine run as root does not (it writes
# where the Unix root may). Run as root, the scripts therefore run the Windows build's suites once
# more as this unprivileged user, in a prefix of its own.
UNPRIVILEGED_USER=orxtest

# Runs the Windows build's unit and scenario suites as the unprivileged user, who must be refused
# writes into read-only files. The binaries are copied to a scratch area the user owns, since the
# checkout may lie where only root can reach.
run_windows_suites_unprivileged() {
  # useradd and runuser live in sbin, which a non-login root shell may not have on its path.
  local PATH="$PATH:/usr/sbin:/sbin"
  if ! id -u "$UNPRIVILEGED_USER" >/dev/null 2>&1; then
    useradd --system --user-group --no-create-home --home-dir /nonexistent \
      --shell /usr/sbin/nologin "$UNPRIVILEGED_USER"
  fi
  local area
  area=$(mktemp -d /tmp/orxconfig-unprivileged.XXXXXX)
  cp build/windows/orxconfigc.exe build/windows/src/orx_unit_tests.exe \
    build/windows/tests/orx_scenario_tests.exe "$area/"
  chown -R "$UNPRIVILEGED_USER:" "$area"
  chmod 755 "$area"
  local as_user=(runuser -u "$UNPRIVILEGED_USER" -- env HOME="$area" WINEPREFIX="$area/wineprefix"
    ORX_REQUIRE_READ_ONLY_REFUSAL=1 ORX_PROGRAM="z:${area//\//\\}\\orxconfigc.exe")
  local status=0
  (
    cd "$area"
    "${as_user[@]}" "$WINE_LOADER" wineboot -i >/dev/null 2>&1 || true
    "${as_user[@]}" "$WINE_SERVER" -p
    "${as_user[@]}" "$WINE_LOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
    for suite in orx_unit_tests orx_scenario_tests; do
      echo "--- $suite as $UNPRIVILEGED_USER"
      "${as_user[@]}" "$WINE_LOADER" "$area/$suite.exe" --gtest_brief=1 || exit 1
    done
  ) || status=1
  "${as_user[@]}" "$WINE_SERVER" -k >/dev/null 2>&1 || true
  rm -rf "$area"
  return $status
}

# Mounts a small volume of its own (root only) and exports it as ORX_SMALL_VOLUME, so that the
# tests of a full disk run; it is unmounted when the calling script exits. Without it they skip.
mount_small_volume() {
  [ "$(id -u)" -eq 0 ] || return 0
  local volume
  volume=$(mktemp -d /tmp/orxconfig-small-volume.XXXXXX)
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

# Configures and builds one preset.
build_preset() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -j"$(nproc)"
}
