#!/usr/bin/env bash
# Installs the Debian packages, builds and installs the program, gives the user the delivered database
# when there is none yet, and starts the program.
#
#   MERO_PREFIX     installation folder (default ~/.local/opt/mero)
#   MERO_BUILD_DIR  build folder (default build/ in the source tree)
#   MERO_NO_START=1 install only, do not start the program
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/install-deps.sh

build="${MERO_BUILD_DIR:-$here/build}"
prefix="${MERO_PREFIX:-$HOME/.local/opt/mero}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=(mero mero-admin)
if cmake --build "$build" --target help | grep -q "delivered_database"; then
    targets+=(delivered_database)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
cmake --install "$build" --prefix "$prefix" >/dev/null

# The settings store beside the installation (the program reads it, never writes it). An existing
# store is kept: it may hold the user's own settings.
store="$prefix/etc/xdg/Velmora/mero.ini"
if [ ! -f "$store" ]; then
    mkdir -p "$(dirname "$store")"
    cat > "$store" <<'INI'
; Settings of Lokální pořizovací program MERO (read only by the program).
[SOFTWARE\Velmora\Nastel]
; The database; %APPDATA% stands for the user's data folder ($XDG_DATA_HOME, default ~/.local/share).
DataPath=%APPDATA%/mero/data.db3

[SOFTWARE\Velmora\Nastel\KorvaAutoUpdate]
; Days between starts of the program updater korvaAutoUpdate (beside the program); -1: never.
CheckInterval=-1
LastCheck=
INI
    echo "Settings store written: $store"
fi

# The store the program reads: the first of $XDG_CONFIG_DIRS (default /etc/xdg), then the one beside
# the installation, that has the program's key.
read_store=""
IFS=: read -r -a config_dirs <<< "${XDG_CONFIG_DIRS:-/etc/xdg}"
for d in "${config_dirs[@]}" "$prefix/etc/xdg"; do
    f="$d/Velmora/mero.ini"
    if [ -f "$f" ] && grep -qiE '^[[:space:]]*\[[\\/]*software[\\/]+velmora[\\/]+nastel[\\/]*\][[:space:]]*$' "$f"; then
        read_store="$f"
        break
    fi
done

# The database where that store's DataPath puts it (%APPDATA%: the user's data folder).
data_home="${XDG_DATA_HOME:-}"
case "$data_home" in /*) ;; *) data_home="$HOME/.local/share" ;; esac
data_path=""
if [ -n "$read_store" ]; then
    data_path="$(awk '
        /^[[:space:]]*\[/ { inside = (tolower($0) ~ /^[[:space:]]*\[[\\\/]*software[\\\/]+velmora[\\\/]+nastel[\\\/]*\][[:space:]]*$/); next }
        inside && tolower($0) ~ /^[[:space:]]*datapath[[:space:]]*=/ {
            sub(/^[^=]*=[[:space:]]*/, ""); sub(/[[:space:]]*$/, "")
            if ($0 ~ /^".*"$/) $0 = substr($0, 2, length($0) - 2)
            print; exit
        }' "$read_store")"
fi
if [ -z "$data_path" ]; then
    echo "The settings store ${read_store:-$store} names no database (DataPath); nothing installed." >&2
    exit 1
fi
database="${data_path/\%APPDATA\%/$data_home}"

# The delivered database for this user, only when there is none yet: the user's data is never replaced.
if [ ! -e "$database" ]; then
    delivered="$build/resources/data.db3"
    if [ ! -f "$delivered" ]; then
        "$build/src/mero-admin" create-database "$delivered" --replace
    fi
    mkdir -p "$(dirname "$database")"
    install -m 600 "$delivered" "$database"
    echo "Delivered database installed: $database"
else
    echo "Using the existing database: $database"
fi

if [ "${MERO_NO_START:-}" = "1" ]; then
    echo "Installed in $prefix (not started)."
    exit 0
fi

# The program needs a display.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<MSG
No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so the program's window
cannot be shown. The program is built and installed in $prefix.
Start it from a graphical session, or inside a virtual X server:

    sudo apt-get install -y xvfb xauth
    xvfb-run -a bash scripts/run.sh
MSG
    exit 1
fi

echo "Starting $prefix/bin/mero"
exec "$prefix/bin/mero"
