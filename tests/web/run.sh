#!/bin/bash
# The browser tests and figures of the web edition.
#
# Usage: tests/web/run.sh test [browser|touch|trust] [chromium|firefox] | bench
# (the test file, browser by default, in the browser named, chromium by
# default; bench gives the figures in both browsers; WEB_BUILD and BUILD
# name the web and desktop build folders; make test-web and make bench-web
# set them).
#
# Installs Debian's chromium and firefox-esr and the pinned test driver from
# npm (no browser is downloaded), has the desktop build draw the reference
# pictures, then runs the Node scripts against the site in WEB_BUILD/site.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
WEB=${WEB_BUILD:-$ROOT/build-web}
DESKTOP=${BUILD:-$ROOT/build}
MODE=${1:-test}
FILE=${2:-browser}
BROWSER=${3:-chromium}
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)

missing=()
for p in chromium firefox-esr xvfb xauth nodejs npm; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# A node from elsewhere (with its own npm) will do as well as Debian's.
if command -v node > /dev/null && command -v npm > /dev/null; then
    missing=("${missing[@]/nodejs/}")
    missing=("${missing[@]/npm/}")
fi
read -r -a missing <<< "${missing[*]}"
if [ ${#missing[@]} -gt 0 ]; then
    echo "web tests: installing ${missing[*]}"
    $SUDO apt-get -o DPkg::Lock::Timeout=1200 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=1200 install -y -qq \
        --no-install-recommends "${missing[@]}"
fi

# The driver, as pinned by package-lock.json; puppeteer-core downloads nothing.
DRIVER=$WEB/test-driver
mkdir -p "$DRIVER"
if ! cmp -s "$HERE/package-lock.json" "$DRIVER/package-lock.json" || [ ! -d "$DRIVER/node_modules" ]; then
    cp "$HERE/package.json" "$HERE/package-lock.json" "$DRIVER/"
    (cd "$DRIVER" && npm ci --no-audit --no-fund --loglevel=error)
fi

# The desktop build's pictures of the scenes the browser is held on, one
# folder per run: runs may overlap.
REFERENCE=$WEB/reference-$FILE-$BROWSER
rm -rf "$REFERENCE"
(cd "$DESKTOP" && LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy WEDGEWISE_AUTOMATED=1 \
    xvfb-run -a -s "-screen 0 1024x768x24" ./webref "$REFERENCE" > /dev/null)

# The scripts run beside their node_modules, where imports resolve.
cp "$HERE"/*.mjs "$DRIVER/"
export WEDGEWISE_SITE=$WEB/site WEDGEWISE_REFERENCE=$REFERENCE WEDGEWISE_OUT=$WEB/test-output/$FILE-$BROWSER
export WEDGEWISE_BROWSER=$BROWSER
export CHROMIUM=${CHROMIUM:-/usr/bin/chromium} FIREFOX=${FIREFOX:-/usr/bin/firefox-esr}
mkdir -p "$WEDGEWISE_OUT"
case "$MODE:$FILE:$BROWSER" in
    # Touch is chromium's emulation of a touch screen, which Firefox's
    # automation does not offer.
    test:touch:firefox) echo "touch screens are emulated in chromium alone" >&2; exit 2 ;;
    test:*:chromium|test:*:firefox) exec node --test --test-concurrency=1 "$DRIVER/$FILE.test.mjs" ;;
    # The figures of each browser in turn.
    bench:*) WEDGEWISE_BROWSER=chromium node "$DRIVER/bench.mjs"
             WEDGEWISE_BROWSER=firefox exec node "$DRIVER/bench.mjs" ;;
    *) echo "usage: $0 test [browser|touch|trust] [chromium|firefox] | bench" >&2; exit 2 ;;
esac
