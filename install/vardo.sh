#!/bin/sh
# Starts the installed Vardo engine in the user's own folder, ~/.vardo, created on first use,
# with the book taken from the installation when the user has none. The engine reads its book
# and writes its log in its working directory, so it never writes into the caller's folder or
# a system folder.
set -e
here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
engine="$prefix/@VARDO_ENGINE_DIR@/vardo-engine"
book="$prefix/@VARDO_BOOK_DIR@/vardo.bk"
home=${VARDO_HOME:-${HOME:?HOME is not set}/.vardo}
mkdir -p "$home"
if [ ! -f "$home/vardo.bk" ] && [ -f "$book" ]; then
    cp "$book" "$home/vardo.bk"
fi
cd "$home"
exec "$engine" "$@"
