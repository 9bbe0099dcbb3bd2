#!/usr/bin/env bash
# Builds Vardo for 64-bit Windows with MinGW-w64 (cmake/mingw-w64.cmake, into build-windows/)
# and tests it under Wine:
#   - the whole GoogleTest suite, cross-built;
#   - perft of the standard positions, every listed depth;
#   - a UCI session with the unpacked vardo.exe;
#   - the bench signature, which must be the pinned one of scripts/bench.sh (Linux's), from
#     vardo-bench.exe and "vardo.exe bench";
#   - vardo-depths.exe against this tree's Linux vardo-depths on the comparison positions (the
#     bench's, tests/data/search-positions.epd and tests/data/draw-positions.epd): every
#     completed depth the same score and the same node count;
#   - one game under a headless xboard against Fairy-Max, the engine run as `wine vardo.exe`.
# What the machine lacks (MinGW-w64, Wine, xboard, Fairy-Max) is installed with apt-get first.
# Wine keeps its prefix in build-windows/wine unless WINEPREFIX is set.
#   scripts/windows_test.sh [--depth N] [--no-game] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

depth=7
game=1
while [ $# -gt 0 ]; do
    case $1 in
    --depth) depth=${2:?}; shift 2 ;;
    --no-game) game=0; shift ;;
    *) break ;;
    esac
done
[[ $depth =~ ^[0-9]+$ ]] && [ "$depth" -ge 1 ] && [ "$depth" -le 12 ] || {
    echo "windows_test: --depth needs a number from 1 to 12" >&2
    exit 2
}

scripts/ensure_tools.sh --tests g++-mingw-w64-x86-64-posix wine wine64 groff-base xboard xvfb \
    xauth fairymax python3
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wine}
mkdir -p build-windows

echo "== Windows build (MinGW-w64)"
cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DVARDO_TESTS=ON "$@" >/dev/null
cmake --build build-windows -j"${JOBS:-2}"
# Wine sets up its prefix on first use; done once here, not by the first test.
wineboot --init >/dev/null 2>&1 || true

echo "== unit tests under Wine"
ctest --test-dir build-windows -j"${JOBS:-2}" --output-on-failure

echo "== the programs need no DLL beyond Windows' own"
for program in build-windows/*.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | sort -u)
    for dll in $dlls; do
        case ${dll,,} in
        kernel32.dll | msvcrt.dll | advapi32.dll | user32.dll | ws2_32.dll) ;;
        *)
            echo "$program needs $dll"
            exit 1
            ;;
        esac
    done
done
echo "$(basename -a build-windows/*.exe | tr '\n' ' ')need only: $(x86_64-w64-mingw32-objdump -p build-windows/vardo.exe | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"

echo "== the release zip, unpacked and played from its folder as README.txt says"
version=$(sed -n 's/^project(Vardo VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
zip=build-windows/vardo-$version-win64.zip
(cd build-windows && cpack -G ZIP >/dev/null)
python3 -m zipfile -l "$zip"
work=$(mktemp -d "${TMPDIR:-/tmp}/vardo-windows.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 -m zipfile -e "$zip" "$work/unpacked"
folder=$work/unpacked/vardo-$version-win64
# In its folder it finds its book (a book move at once) and writes its log there.
reply=$(cd "$folder" && printf 'xboard\nnew\ngo\n' | wine vardo.exe)
echo "$reply" | grep -q '^move ' || { echo "no move from the unpacked vardo.exe: $reply"; exit 1; }
echo "$reply" | grep -q "Couldn't read opening book" && { echo "the unpacked vardo.exe found no book"; exit 1; }
grep -q ';New session' "$folder/vardo$version.log" || { echo "no log beside the unpacked vardo.exe"; exit 1; }
# Where the log cannot be written (here: its name is taken by a folder), it plays all the same.
rm "$folder/vardo$version.log"
mkdir "$folder/vardo$version.log"
reply=$(cd "$folder" && printf 'xboard\nnew\ngo\n' | wine vardo.exe)
echo "$reply" | grep -q '^move ' || { echo "no move without a log: $reply"; exit 1; }
echo "the unpacked engine plays with its book and log, and without a writable log"

echo "== a UCI session with the unpacked vardo.exe"
# After "uci" the engine names itself and ends with uciok; "go depth 4" searches to its depth
# while the input stays open (the end of input would stop it at once), and its bestmove must
# be a move of the position after 1. e4. Then "quit".
coproc VARDO { cd "$folder" && exec wine vardo.exe; }
# Bash forgets the coprocess's variables once it has ended: kept here.
vardo_pid=$VARDO_PID
exec {to_vardo}>&"${VARDO[1]}" {from_vardo}<&"${VARDO[0]}"
printf 'uci\nisready\nsetoption name OwnBook value false\nposition startpos moves e2e4\ngo depth 4\n' \
    >&"$to_vardo"
reply=
while IFS= read -r -t 120 line <&"$from_vardo"; do
    line=${line%$'\r'}
    reply+="$line"$'\n'
    [[ $line == bestmove* ]] && break
done
printf 'quit\n' >&"$to_vardo" || true
exec {to_vardo}>&- {from_vardo}<&-
wait "$vardo_pid" || true
for wanted in '^id name Vardo ' '^uciok$' '^readyok$' '^info depth 4 .* pv [a-h][1-8][a-h][1-8]' \
    '^bestmove [a-h][27][a-h][3-6]\( ponder [a-h][1-8][a-h][1-8][nbrq]\{0,1\}\)\{0,1\}$'; do
    echo "$reply" | grep -q "$wanted" || { echo "UCI session: no line matching $wanted in: $reply"; exit 1; }
done
echo "UCI session: $(echo "$reply" | grep -c '^info depth') info lines, $(echo "$reply" | grep '^bestmove')"

echo "== perft under Wine"
VARDO_WINDOWS=1 scripts/perft.sh tests/data/perft-standard.epd

echo "== bench signature under Wine"
VARDO_WINDOWS=1 scripts/bench.sh

echo "== scores and nodes of every depth to $depth, Windows against Linux"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vardo-depths >/dev/null
. scripts/compare_positions.sh
write_positions "$work"
cat "$work/bench.epd" "$work/search.epd" "$work/draw.epd" >"$work/all.epd"
./build/vardo-depths "$work/all.epd" "$depth" | cut -d' ' -f1-4 >"$work/linux.txt"
wine build-windows/vardo-depths.exe "$work/all.epd" "$depth" | cut -d' ' -f1-4 >"$work/windows.txt"
if ! diff "$work/linux.txt" "$work/windows.txt" >"$work/diff.txt"; then
    echo "Windows and Linux differ (index depth score nodes):"
    head -40 "$work/diff.txt"
    exit 1
fi
echo "$(wc -l <"$work/all.epd") positions, $(wc -l <"$work/linux.txt") depths: every score and node count equal"

if [ "$game" = 1 ]; then
    echo "== a game under a headless xboard, wine vardo.exe against Fairy-Max"
    scripts/xboard_match.sh --wine --engine build-windows/vardo.exe --games 1 --tc 40/0:20
fi
echo "windows_test: all passed"
