#!/usr/bin/env bash
# Builds the Debian package with CPack and tests it the way a user meets it:
#  1. configures a fresh build-deb/ (Release, games layout, prefix /usr, no tests), builds it
#     and runs `cpack -G DEB`, which makes build-deb/vardo_<version>-1_<arch>.deb;
#  2. checks the package's file list and dependencies, and runs lintian on it: any error (E:)
#     fails, warnings and notes are printed;
#  3. installs it with apt-get (replacing a copy an earlier run left installed), checks that
#     `vardo` is found in /usr/games, starts a session with its installed book, and checks that
#     xboard lists the installed engine-list entry;
#  4. plays one short game under a headless xboard with the command xboard lists (-fcp vardo)
#     against Fairy-Max, through scripts/xboard_match.sh;
#  5. purges the package and checks that none of its files is left.
# Installing and purging would replace and then remove a vardo package the user installed, so
# the script refuses to run while one is installed, unless given --replace-installed; a copy
# that an earlier run of this script left installed (it stopped before purging) is replaced.
# Installs what it lacks (lintian, dpkg-dev, xboard, xvfb, fairymax...) through
# scripts/ensure_tools.sh; installing and removing the package take root, through sudo when
# not run as root. Takes one to two minutes on 2 cores, most of it the game.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
start=$(date +%s)

fail() {
    echo "package test: $*" >&2
    exit 1
}

replace_installed=no
case ${1:-} in
"") ;;
--replace-installed) replace_installed=yes ;;
*) fail "unknown argument $1 (usage: scripts/package_test.sh [--replace-installed])" ;;
esac

# Marks a package installed by this script until it has purged it again.
marker=/var/lib/vardo-package-test/installed
installed=$(dpkg-query -W -f='${Status} ${Version}' vardo 2> /dev/null || true)
case $installed in
*" installed "*)
    if [ -e "$marker" ]; then
        echo "vardo ${installed##* } is installed, left by an earlier run of this test: it is replaced"
    elif [ "$replace_installed" = yes ]; then
        echo "vardo ${installed##* } is installed: replacing it and purging it at the end, as asked"
    else
        fail "vardo ${installed##* } is installed on this machine; this test installs its own package and purges it at the end, which would remove yours. Remove it first, or run scripts/package_test.sh --replace-installed"
    fi
    ;;
esac

scripts/ensure_tools.sh lintian dpkg-dev file xboard xvfb xauth fairymax python3
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    command -v sudo > /dev/null ||
        fail "installing the package takes root, and sudo is not available"
    as_root=(sudo)
fi
root() { "${as_root[@]+"${as_root[@]}"}" env DEBIAN_FRONTEND=noninteractive "$@"; }

# Debian puts /usr/games on the PATH of every login shell (/etc/profile, /etc/login.defs); a
# shell started otherwise, as CI's may be, can lack it.
case ":$PATH:" in
*:/usr/games:*) ;;
*) export PATH="$PATH:/usr/games" ;;
esac

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vardo-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

version=$(sed -n 's/^project(Vardo VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
deb="build-deb/vardo_${version}-1_$(dpkg --print-architecture).deb"

echo "== building $deb"
rm -rf build-deb
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DVARDO_GAMES_LAYOUT=ON \
    -DCMAKE_INSTALL_PREFIX=/usr -DVARDO_TESTS=OFF -DVARDO_WERROR=ON > /dev/null
cmake --build build-deb -j"${JOBS:-2}" > /dev/null
(cd build-deb && cpack -G DEB) > "$scratch/cpack.txt" || {
    cat "$scratch/cpack.txt"
    fail "cpack failed"
}
[ -f "$deb" ] || fail "cpack made no $deb"
echo "$deb: $(stat -c %s "$deb") bytes"
dpkg-deb --contents "$deb"

# What the package holds, no more and no less: the plain man page, the tests and the tools
# stay out.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort \
    > "$scratch/contents"
sort > "$scratch/expected" << 'EOF'
/usr/games/vardo
/usr/lib/games/vardo/vardo-engine
/usr/share/doc/vardo/changelog.Debian.gz
/usr/share/doc/vardo/copyright
/usr/share/games/plugins/xboard/vardo.eng
/usr/share/games/vardo/vardo.bk
/usr/share/man/man6/vardo.6.gz
EOF
diff -u "$scratch/expected" "$scratch/contents" || fail "the package holds other files than these"
# It depends on the C and C++ runtime only, as dpkg-shlibdeps finds them.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for dependency in ${depends//,/ }; do
    case $dependency in
    libc6 | libgcc-s1 | libstdc++6 | \(* | *\)) ;;
    *) fail "unexpected dependency $dependency" ;;
    esac
done

echo "== $(lintian --version)"
lintian_status=0
lintian --display-info --pedantic "$deb" > "$scratch/lintian.txt" 2>&1 || lintian_status=$?
cat "$scratch/lintian.txt"
if grep -q '^E: ' "$scratch/lintian.txt" || [ "$lintian_status" -ne 0 ]; then
    fail "lintian reports errors (status $lintian_status)"
fi

echo "== installing"
root mkdir -p "$(dirname "$marker")"
root touch "$marker"
# --reinstall replaces a package an earlier run left installed, even of the same version.
root apt-get install -y -qq --reinstall "$repo/$deb" > "$scratch/apt.txt" 2>&1 || {
    cat "$scratch/apt.txt"
    fail "apt-get could not install $deb"
}
[ "$(dpkg-query -W -f='${Status} ${Version}' vardo)" = "install ok installed $version-1" ] ||
    fail "vardo $version-1 is not installed after apt-get install"
[ "$(command -v vardo)" = /usr/games/vardo ] ||
    fail "vardo on the PATH is $(command -v vardo || echo nothing), not /usr/games/vardo"
[ "$(HOME=$scratch/home vardo --version)" = "Vardo $version" ] || fail "vardo --version"
out=$(cd "$scratch" && printf 'protover 2\nquit\n' | HOME=$scratch/home timeout 20 vardo)
echo "$out" | grep -q "^Vardo v$version (VARDO)$" || fail "no banner from the installed vardo"
if echo "$out" | grep -q "Couldn't read opening book"; then
    fail "the installed vardo found no book"
fi
cmp -s "$scratch/home/.vardo/vardo.bk" /usr/share/games/vardo/vardo.bk ||
    fail "the installed book was not copied to ~/.vardo"

eng=/usr/share/games/plugins/xboard/vardo.eng
cmp -s install/vardo.eng "$eng" || fail "$eng is missing or differs from install/vardo.eng"
[ "$(dpkg-query -S "$eng")" = "vardo: $eng" ] || fail "$eng does not belong to the package"
# xboard scans the engine-list entries in /usr/share/games/plugins/xboard/ at start and adds
# those newer than its settings file to its list of engines, which it writes back on exit: with
# a settings file of its own that does not exist yet it lists every entry. It plays one move
# (mate in one, Fairy-Max against itself, without xboard's "computer" line, on which it may
# crash: scripts/drop_computer_line.sh) so that it has a match to finish and exits.
cat > "$scratch/mate.pgn" << 'EOF'
[Event "engine list"]
[Result "*"]

1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 *
EOF
mkdir -p "$scratch/xboard"
(cd "$scratch/xboard" && HOME=$scratch/xboard timeout 60 xvfb-run -a xboard -noGUI -xexit \
    -settingsFile "$scratch/xboard/rc" -saveSettingsFile "$scratch/xboard/rc" \
    -saveSettingsOnExit true -autoInstall ALL -xponder \
    -fcp "$repo/scripts/drop_computer_line.sh fairymax" \
    -scp "$repo/scripts/drop_computer_line.sh fairymax" \
    -matchGames 1 -st 0:01 -loadGameFile "$scratch/mate.pgn" -loadGameIndex 1) \
    > "$scratch/xboard.txt" 2>&1 || {
    cat "$scratch/xboard.txt"
    fail "xboard did not run to the end of its one-move match"
}
awk '/^-firstChessProgramNames \{/ { on = 1; sub(/^[^{]*\{/, "") }
     on && /^\}/ { exit }
     on { print }' "$scratch/xboard/rc" > "$scratch/engines"
listed=$(sed -n 2p "$eng")
grep -qxF "$listed" "$scratch/engines" || {
    cat "$scratch/engines"
    fail "xboard does not list \"$listed\" among its engines above"
}
echo "xboard lists the installed engine as: $listed"

echo "== a game under xboard with the installed engine (-fcp $listed)"
scripts/xboard_match.sh --command "$listed" --games 1 --tc 40/0:20 ||
    fail "the game with the installed engine failed"

echo "== removing"
dpkg-query -L vardo > "$scratch/installed"
root apt-get purge -y -qq vardo > "$scratch/apt.txt" 2>&1 || {
    cat "$scratch/apt.txt"
    fail "apt-get could not purge vardo"
}
status=$(dpkg-query -W -f='${Status}' vardo 2> /dev/null || true)
case $status in
"" | *" not-installed") ;;
*) fail "after purging, dpkg still has vardo as \"$status\"" ;;
esac
root rm -rf "$(dirname "$marker")"
# Every file of the package must be gone. A folder may stay when another package owns it or
# it holds files of others. The launcher makes ~/.vardo (or $VARDO_HOME) for the user who runs
# it: that is the user's data, with the user's games and logs, not a file of the package, and
# purging rightly leaves it (this test ran the command with HOME and VARDO_HOME in its scratch
# folder, so no one's own ~/.vardo was touched).
left=()
while read -r path; do
    [ "$path" = /. ] && continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ -d "$path" ] && ! [ -L "$path" ]; then
        dpkg-query -S "$path" > /dev/null 2>&1 && continue
        [ -n "$(ls -A "$path")" ] && continue
    fi
    left+=("$path")
done < "$scratch/installed"
[ ${#left[@]} -eq 0 ] || fail "left after purging: ${left[*]}"
echo "removed: none of the package's $(wc -l < "$scratch/installed") paths is left"

echo "package test: PASS in $(($(date +%s) - start)) s"
