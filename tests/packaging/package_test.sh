#!/usr/bin/env bash
# The Debian package as a player's system gets it, from the .deb that
# `make deb` built once:
#   - lintian, desktop-file-validate and appstreamcli find nothing to say;
#   - dpkg -i installs it and apt-get -f install has nothing left to fetch,
#     every library the program links comes from a package it depends on;
#   - an ordinary user starts it from another folder under a private X server:
#     --frames 60 exits 0, and start -> menu -> QUIT writes settings.dat and
#     hiscore.dat into ~/.local/share/wedgewise/;
#   - dpkg --purge leaves the file system as it was before the install.
#
#   package_test.sh --can-run   exit 0 if this machine can run the test, else
#                               say why not and exit 1
#   package_test.sh DEB_DIR     run it on DEB_DIR/wedgewise_*.deb
set -uo pipefail

PACKAGE=wedgewise
PLAYER=wedgewise-player
SCREEN="-screen 0 1024x768x24"

# ---------------------------------------------------------------- can it run here

why_not() {
    if [ "$(id -u)" != 0 ]; then
        echo "installing a package needs root (sudo make test-package)"
    elif ! command -v dpkg >/dev/null || ! command -v apt-get >/dev/null; then
        echo "this system has no dpkg and apt-get"
    elif ! command -v useradd >/dev/null || ! command -v runuser >/dev/null; then
        echo "this system cannot create a user for the test (useradd, runuser)"
    elif dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q 'installed'; then
        echo "a $PACKAGE package is installed already; the test needs a system without it"
    fi
}

if [ "${1:-}" = "--can-run" ]; then
    reason=$(why_not)
    if [ -n "$reason" ]; then
        echo "package test skipped: $reason"
        exit 1
    fi
    exit 0
fi

DEB_DIR=$(cd "${1:?usage: package_test.sh DEB_DIR}" && pwd)
reason=$(why_not)
if [ -n "$reason" ]; then
    echo "package test skipped: $reason"
    exit 0
fi
shopt -s nullglob
debs=("$DEB_DIR/${PACKAGE}_"*.deb)
changes=("$DEB_DIR/${PACKAGE}_"*.changes)
if [ ${#debs[@]} -ne 1 ] || [ ${#changes[@]} -ne 1 ]; then
    echo "package test: expected one ${PACKAGE}_*.deb and one .changes in $DEB_DIR"
    exit 1
fi
DEB=${debs[0]}

passed=0
failed=0
started=$(date +%s)
WORK=$(mktemp -d /tmp/wedgewise-package-XXXXXX)
chmod 755 "$WORK"

check() {  # check NAME COMMAND...: runs the command, counts and reports it
    local name=$1
    shift
    local t0=$SECONDS
    if "$@" >"$WORK/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok    $name ($((SECONDS - t0)) s)"
    else
        failed=$((failed + 1))
        echo "FAIL  $name ($((SECONDS - t0)) s)"
    fi
    sed 's/^/      /' "$WORK/out"
}

# dpkg and apt are shared with whatever else runs on the machine: wait for
# their lock rather than fail on it.
with_dpkg_lock() {
    local tries=0
    while :; do
        "$@" >"$WORK/dpkg.out" 2>&1
        local rc=$?
        if [ $rc -eq 0 ] || ! grep -q 'lock' "$WORK/dpkg.out" || [ $tries -ge 60 ]; then
            cat "$WORK/dpkg.out"
            return $rc
        fi
        tries=$((tries + 1))
        sleep 5
    done
}

installed() { dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q '^install ok installed$'; }

cleanup() {
    if dpkg-query -W "$PACKAGE" >/dev/null 2>&1; then with_dpkg_lock dpkg --purge "$PACKAGE" >/dev/null; fi
    id "$PLAYER" >/dev/null 2>&1 && userdel -r -f "$PLAYER" >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

# ---------------------------------------------------------------- the checks of the built files

# Info and pedantic tags are shown too; only errors and warnings fail.
lint() { lintian --display-info --pedantic --fail-on error,warning "${changes[0]}"; }
check "lintian reports no error and no warning" lint

dpkg-deb -x "$DEB" "$WORK/root"
desktop_entry() {
    local out
    out=$(desktop-file-validate "$WORK/root/usr/share/applications/$PACKAGE.desktop" 2>&1)
    local rc=$?
    echo "desktop-file-validate: ${out:-no message}"
    [ $rc -eq 0 ] && [ -z "$out" ]
}
check "desktop-file-validate passes with no warning" desktop_entry
metainfo() {
    local files=("$WORK/root/usr/share/metainfo/"*.metainfo.xml)
    [ ${#files[@]} -eq 1 ] || { echo "expected one metainfo file"; return 1; }
    appstreamcli validate --no-net --pedantic "${files[0]}" &&
        appstreamcli validate-tree --no-net --pedantic "$WORK/root"
}
check "appstreamcli validates the metainfo and the installed tree" metainfo

# ---------------------------------------------------------------- install

# The player exists before the first file list and goes after the last, so
# the two lists differ only by what the package leaves.
id "$PLAYER" >/dev/null 2>&1 && userdel -r -f "$PLAYER" >/dev/null 2>&1
useradd --create-home --shell /bin/bash "$PLAYER"
PLAYER_HOME=$(getent passwd "$PLAYER" | cut -d: -f6)

# Everything a package can place: the top level and the system's folders,
# less the package manager's own records, caches and logs, which change with
# every install.
file_list() {
    {
        find / -mindepth 1 -maxdepth 1
        find /etc /usr /opt /srv /var \( -path /var/cache -o -path /var/log -o -path /var/lib/dpkg \
            -o -path /var/lib/apt -o -path /var/tmp \) -prune -o -print
    } 2>/dev/null | sort
}
file_list >"$WORK/before.txt"
dpkg-query -W -f='${Package}\n' | sort >"$WORK/packages-before.txt"

install_package() {
    with_dpkg_lock dpkg -i "$DEB"
    DEBIAN_FRONTEND=noninteractive with_dpkg_lock apt-get -f install -y -q -o DPkg::Lock::Timeout=300 || return 1
    installed || { echo "$PACKAGE is not configured after apt-get -f install"; return 1; }
}
check "dpkg -i, then apt-get -f install, leaves the package configured" install_package

# Every library the program itself asks for belongs to a package it depends on.
linked_libraries_declared() {
    local depends
    depends=$(dpkg-query -W -f='${Depends}' "$PACKAGE" | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//; s/:.*//' | sort -u)
    echo "Depends: $(dpkg-query -W -f='${Depends}' "$PACKAGE")"
    local bad=0 lib path owner
    while read -r lib; do
        path=$(ldd /usr/games/$PACKAGE | awk -v lib="$lib" '$1 == lib && $2 == "=>" { print $3 }')
        owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null ||
            dpkg -S "${path#/usr}" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null)
        owner=${owner%%:*}
        owner=${owner%%,*}
        if [ -z "$owner" ] || ! grep -qx "$owner" <<<"$depends"; then
            echo "$lib ($path) comes from '${owner:-no package}', which is not a dependency"
            bad=1
        else
            echo "$lib: $owner"
        fi
    done < <(readelf -d /usr/games/$PACKAGE | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    return $bad
}
check "every library the program links comes from a declared dependency" linked_libraries_declared

dpkg-query -W -f='${Package}\n' | sort >"$WORK/packages-installed.txt"
echo "installed files:"
dpkg -L "$PACKAGE" | sort | sed 's/^/      /'

layout() {
    local f bad=0
    for f in /usr/games/$PACKAGE /usr/share/games/$PACKAGE/media.gfx /usr/share/games/$PACKAGE/media.aud \
        /usr/share/applications/$PACKAGE.desktop /usr/share/man/man6/$PACKAGE.6.gz \
        /usr/share/doc/$PACKAGE/copyright /usr/share/doc/$PACKAGE/changelog.Debian.gz; do
        [ -f "$f" ] || { echo "missing: $f"; bad=1; }
    done
    for size in 16 24 32 48 64 128 256 512; do
        f=/usr/share/icons/hicolor/${size}x${size}/apps/$PACKAGE.png
        [ "$(file -b "$f" 2>/dev/null | cut -d, -f2)" = " $size x $size" ] || { echo "not a $size-pixel icon: $f"; bad=1; }
    done
    return $bad
}
check "the games layout: program, containers, desktop entry, icons, manual" layout

# ---------------------------------------------------------------- the player runs it

cat >"$WORK/player.sh" <<'EOF'
# Runs as the player, under xvfb-run. $1: the folder to start from.
cd "$1" || exit 120
export TMPDIR="$1/../tmp"
mkdir -p "$TMPDIR"
step() { echo "-- $*"; }

step "wedgewise --windowed --frames 60 from $1"
wedgewise --windowed --frames 60 2>"$TMPDIR/frames.err"
rc=$?
cat "$TMPDIR/frames.err"
grep -q "first frame shown" "$TMPDIR/frames.err" || { echo "no line about the first frame"; exit 1; }
[ $rc -eq 0 ] || { echo "exit status $rc"; exit 1; }

step "start, menu, QUIT"
rm -f "$TMPDIR/ErrorLog.txt"
wedgewise --windowed &
pid=$!
for _ in $(seq 600); do
    grep -q "Init Finalized" "$TMPDIR/ErrorLog.txt" 2>/dev/null && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
# Into the bottom right corner, where the pointer stops, then onto QUIT; the
# same click skips the intro and, once the menu shows, quits.
move() {
    local dx=$1 dy=$2 sx sy
    while [ "$dx" -ne 0 ] || [ "$dy" -ne 0 ]; do
        sx=$(( dx > 60 ? 60 : (dx < -60 ? -60 : dx) ))
        sy=$(( dy > 60 ? 60 : (dy < -60 ? -60 : dy) ))
        xdotool mousemove_relative -- "$sx" "$sy"
        dx=$((dx - sx))
        dy=$((dy - sy))
    done
}
for attempt in $(seq 60); do
    kill -0 $pid 2>/dev/null || break
    move 1100 800
    move -512 -36
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    xdotool mouseup 1
    for _ in $(seq 10); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
done
if kill -0 $pid 2>/dev/null; then
    kill -KILL $pid
    echo "the game did not quit from its menu"
    exit 1
fi
wait $pid
rc=$?
echo "exit status $rc after $attempt clicks"
[ $rc -eq 0 ] || exit 1
ls -l "$HOME/.local/share/wedgewise/"
[ "$(stat -c %s "$HOME/.local/share/wedgewise/settings.dat" 2>/dev/null)" = 20 ] || { echo "no 20-byte settings.dat"; exit 1; }
[ "$(stat -c %s "$HOME/.local/share/wedgewise/hiscore.dat" 2>/dev/null)" = 405 ] || { echo "no 405-byte hiscore.dat"; exit 1; }
[ -z "$(ls -A "$1")" ] || { echo "the game wrote into the folder it was started from:"; ls -A "$1"; exit 1; }
EOF

play_as_player() {
    local start=$PLAYER_HOME/elsewhere
    runuser -u "$PLAYER" -- mkdir -p "$start"
    runuser -u "$PLAYER" -- env -i HOME="$PLAYER_HOME" USER="$PLAYER" LOGNAME="$PLAYER" \
        PATH=/usr/local/bin:/usr/bin:/bin:/usr/games \
        LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy WEDGEWISE_AUTOMATED=1 \
        xvfb-run -a -s "$SCREEN" bash "$WORK/player.sh" "$start"
}
check "a player runs it from another folder and quits from the menu" play_as_player

# ---------------------------------------------------------------- purge

purge() {
    # Whatever apt-get -f install brought in goes too.
    local extra
    extra=$(comm -13 "$WORK/packages-before.txt" "$WORK/packages-installed.txt" | grep -vx "$PACKAGE")
    with_dpkg_lock dpkg --purge "$PACKAGE" $extra || return 1
    ! dpkg-query -W "$PACKAGE" >/dev/null 2>&1 || { echo "dpkg still knows $PACKAGE"; return 1; }
    file_list >"$WORK/after.txt"
    # Paths another package owns changed with that package (something else
    # installing meanwhile), not with this one.
    local path left=0
    while read -r path; do
        if dpkg -S "$path" >/dev/null 2>&1; then
            echo "changed by another package meanwhile: $path"
        else
            echo "left behind or removed: $path"
            left=1
        fi
    done < <(comm -3 "$WORK/before.txt" "$WORK/after.txt" | sed 's/^\t//')
    echo "$(wc -l <"$WORK/before.txt") paths before the install, $(wc -l <"$WORK/after.txt") after the purge"
    return $left
}
check "dpkg --purge leaves the file system as it was" purge

echo "package test: $(($(date +%s) - started)) s"
echo "package: $passed passed, $failed failed"
[ $failed -eq 0 ]
