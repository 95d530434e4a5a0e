#!/usr/bin/env bash
# The Debian package: CPack makes it from the finished build, its metadata and file list are
# checked, its desktop entry validated; lintian, the AppStream validator and man judge it as a
# Debian archive would; then it is installed for real (as root, with apt-get
# resolving the declared dependencies) or, failing that, unpacked into a throwaway root. The
# program is started from the entry's Exec line on a real X server and must show its main window
# with the icon, and after removal nothing of the package is left.
# Arguments: the typovex binary, the build folder.
# TYPOVEX_E2E_NO_INSTALL=1 keeps the test from installing into /usr even as root.
set -euo pipefail

bin=$(readlink -f "$1")
build=$(readlink -f "$2")
title_re='^Typovex - ver\. 3\.9$'
started=$(date +%s)

skip() {
    echo "SKIP: $*"
    exit 77
}
for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate ldd lintian appstreamcli man \
    hardening-check dpkg-parsechangelog; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/deps.sh --tests installs it)"
done
[ -f "$build/CPackConfig.cmake" ] || skip "no CPackConfig.cmake in $build"
[ "$bin" = "$build/typovex" ] || skip "the package is made of $build/typovex, not of $bin"

source "$(dirname "$0")/lib_xserver.sh"

# --- the package
echo "cpack makes the Debian package"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
[[ "$version" == 3.9.* ]] || fail "package version '$version' does not match the caption's 3.9"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb="$work/cpack/typovex_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/cpack")"

echo "its control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = typovex ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = graphics ] || fail "Section is '$(field Section)'"
[ "$(field Homepage)" = https://typovex.example.org ] || fail "Homepage is '$(field Homepage)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
[ -n "$(field Installed-Size)" ] || fail "no Installed-Size"
depends=$(field Depends)
# Libraries found by dpkg-shlibdeps, and what the program loads at run time.
for dep in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libfontconfig1 \
    libcups2 qt6-qpa-plugins fontconfig; do
    grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
recommends=$(field Recommends)
for wanted in 'fonts-liberation2 | fonts-croscore' qt6-translations-l10n; do
    grep -qF "$wanted" <<<"$recommends" || fail "Recommends lacks $wanted: $recommends"
done

echo "its files: only the installed ones, under /usr, owned by root with the right modes"
expected_files=(
    ./usr/bin/typovex
    ./usr/bin/typovex-catalogue
    ./usr/share/applications/typovex.desktop
    ./usr/share/icons/hicolor/scalable/apps/typovex.svg
    ./usr/share/typovex/translations/typovex_de.qm
    ./usr/share/metainfo/org.example.typovex.metainfo.xml
    ./usr/share/man/man1/typovex.1.gz
    ./usr/share/man/man1/typovex-catalogue.1.gz
    ./usr/share/doc/typovex/copyright
    ./usr/share/doc/typovex/changelog.gz
)
png_sizes=(16 22 24 32 48 64 128 256)
for n in "${png_sizes[@]}"; do
    expected_files+=("./usr/share/icons/hicolor/${n}x${n}/apps/typovex.png")
done
dpkg-deb -c "$deb" >"$work/contents"
listed_files=$(awk '$1 !~ /^d/ {print $6}' "$work/contents" | sort)
[ "$listed_files" = "$(printf '%s\n' "${expected_files[@]}" | sort)" ] ||
    fail "the package holds other files than expected:"$'\n'"$listed_files"
while read -r mode owner _ _ _ path; do
    [ "$owner" = root/root ] || fail "$path is owned by $owner"
    case "$path" in
    ./usr/bin/typovex | ./usr/bin/typovex-catalogue) want=-rwxr-xr-x ;;
    */) want=drwxr-xr-x ;;
    *) want=-rw-r--r-- ;;
    esac
    [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
    [[ "$path" == ./usr/* || "$path" == ./ ]] || fail "$path lies outside /usr"
done <"$work/contents"

echo "lintian finds no error and no warning"
# As root lintian says so on stderr; that is no finding about the package.
if ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>"$work/lintian.err"; then
    fail "lintian: $(cat "$work/lintian.log" "$work/lintian.err")"
fi
cat "$work/lintian.log"

echo "the program is built with the distribution's hardening"
for program in typovex typovex-catalogue; do
    dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/bin/$program" >"$work/$program.packaged"
    hardening-check "$work/$program.packaged" >"$work/hardening.log" 2>&1 || true
    for feature in 'Stack protected' 'Fortify Source functions' 'Read-only relocations' \
        'Immediate binding'; do
        grep -q "^ $feature: yes" "$work/hardening.log" ||
            fail "hardening-check $program: $(cat "$work/hardening.log")"
    done
done

# The package as it lands on a system: into / for real, or into a throwaway root.
installed=0
root=
# dpkg's state of the package; a purged or never installed one is not-installed.
package_state() {
    local state
    state=$(dpkg-query -W -f='${db:Status-Status}' typovex 2>/dev/null || true)
    echo "${state:-not-installed}"
}
install_for_real() {
    [ "${TYPOVEX_E2E_NO_INSTALL:-0}" != 1 ] || return 1
    [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null || return 1
    # Never touch a typovex that was there before, packaged or copied by hand.
    if [ "$(package_state)" != not-installed ]; then
        echo "  a typovex package is on this machine already: unpacking instead of installing"
        return 1
    fi
    local path
    for path in "${expected_files[@]}"; do
        if [ -e "${path#.}" ]; then
            echo "  ${path#.} exists already: unpacking instead of installing"
            return 1
        fi
    done
    return 0
}
remove_package() {
    [ "$installed" -eq 1 ] || return 0
    DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -o DPkg::Lock::Timeout=120 typovex \
        >>"$work/apt.log" 2>&1 || dpkg --purge typovex >>"$work/apt.log" 2>&1 || true
    installed=0
}
program=
on_exit() {
    local rc=$?
    # The program first, so that nothing of the package is in use while it goes.
    if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
    remove_package
    cleanup
    exit "$rc"
}
trap on_exit EXIT

if install_for_real; then
    echo "apt-get installs the package and the dependencies it declares"
    installed=1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=120 "$deb" \
        >"$work/apt.log" 2>&1 || fail "apt-get install failed: $(cat "$work/apt.log")"
    [ "$(dpkg-query -W -f='${Status}' typovex)" = "install ok installed" ] ||
        fail "dpkg does not list typovex as installed"
    root=
    # Whatever PATH the caller had, the entry's Exec must find the installed program.
    export PATH="/usr/bin:/bin:$PATH"
else
    echo "the package is unpacked into a throwaway root"
    root="$work/root"
    dpkg-deb -x "$deb" "$root"
    export PATH="$root/usr/bin:$PATH"
fi
share="$root/usr/share"

echo "the desktop entry is valid and points at the installed files"
entry="$share/applications/typovex.desktop"
[ -f "$entry" ] || fail "no desktop entry at $entry"
desktop-file-validate "$entry" >"$work/validate.log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/validate.log")"
# Hints are advice, errors and warnings are not.
! grep -Eq 'error:|warning:' "$work/validate.log" || fail "desktop-file-validate: $(cat "$work/validate.log")"
key() { sed -n "s/^$1=//p" "$entry" | head -n1; }
[ "$(key Type)" = Application ] || fail "Type is '$(key Type)'"
[ "$(key Name)" = Typovex ] || fail "Name is '$(key Name)'"
[ "$(key Terminal)" = false ] || fail "Terminal is '$(key Terminal)'"
exec_line=$(key Exec)
read -ra exec_argv <<<"$exec_line"
exec_path=$(command -v "${exec_argv[0]}") || fail "Exec=$exec_line is not on PATH"
[ "$(readlink -f "$exec_path")" = "$(readlink -f "$root/usr/bin/typovex")" ] ||
    fail "Exec=$exec_line finds $exec_path, not the installed program"
[ -x "$exec_path" ] || fail "$exec_path is not executable"
icon=$(key Icon)
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
for n in "${png_sizes[@]}"; do
    png="$share/icons/hicolor/${n}x${n}/apps/$icon.png"
    [ -f "$png" ] || fail "Icon=$icon has no ${n}x${n} icon"
    file -b "$png" | grep -q "^PNG image data, $n x $n," || fail "$png is $(file -b "$png")"
done

echo "the AppStream data is valid and names the desktop entry and this version"
metainfo="$share/metainfo/org.example.typovex.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
# Pedantic remarks are advice; warnings are not.
! grep -Eq '^(E|W): ' "$work/appstream.log" || fail "appstreamcli validate: $(cat "$work/appstream.log")"
grep -q '<launchable type="desktop-id">typovex.desktop</launchable>' "$metainfo" ||
    fail "the AppStream data does not launch typovex.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream data has no release $version"
grep -q '^Name\[de\]=' "$entry" && grep -q '^Comment\[de\]=' "$entry" ||
    fail "the desktop entry has no German name or comment"

echo "the manual pages render without a warning"
for page in typovex-catalogue typovex; do
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 \
        "$share/man/man1/$page.1.gz" >"$work/man.txt" 2>"$work/man.err" ||
        fail "man $page failed: $(cat "$work/man.err")"
    [ ! -s "$work/man.err" ] || fail "man $page warns: $(cat "$work/man.err")"
done
# The terminal output marks bold and italic by overstriking.
sed 's/.\x08//g' "$work/man.txt" | grep -q 'Typovex/registry.json' ||
    fail "the manual page names no settings file"
gzip -dc "$share/doc/typovex/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
    fail "the changelog's newest entry is not version $version"

echo "every library of the installed program is found"
ldd "$exec_path" >"$work/ldd.log" 2>&1 || fail "ldd failed: $(cat "$work/ldd.log")"
! grep -q 'not found' "$work/ldd.log" || fail "missing libraries: $(grep 'not found' "$work/ldd.log")"

echo "the program starts from the entry's Exec line and shows its window with the icon"
# Field codes (%f, %u, ...) stand for files passed by the desktop; none are passed here.
run_argv=()
for arg in "${exec_argv[@]}"; do [[ "$arg" == %? ]] || run_argv+=("$arg"); done
"${run_argv[@]}" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
wid=
deadline=$(($(ms_now) + 60000))
until wid=$(xdotool search --onlyvisible --name "$title_re" 2>/dev/null | head -n1) && [ -n "$wid" ]; do
    kill -0 "$program" 2>/dev/null || fail "the program ended before its window: $(cat "$work/program.log")"
    [ "$(ms_now)" -lt "$deadline" ] || fail "no window titled 'Typovex - ver. 3.9' within 60 s"
    sleep 0.1
done
# The whole property (xprop cuts long ones short): every size of the installed icon.
xprop -len 100000000 -id "$wid" _NET_WM_ICON >"$work/icon.txt" 2>&1 || true
grep -q '^_NET_WM_ICON(CARDINAL) = ' "$work/icon.txt" || fail "the window has no icon: $(head -c 300 "$work/icon.txt")"
icon_sizes=$(grep -o 'Icon ([0-9]* x [0-9]*)' "$work/icon.txt" | sed 's/Icon (\([0-9]*\) x \([0-9]*\))/\1x\2/' | sort -n | paste -sd' ')
[ "$icon_sizes" = "$(for n in "${png_sizes[@]}"; do printf '%sx%s\n' "$n" "$n"; done | paste -sd' ')" ] ||
    fail "the window icon has the sizes '$icon_sizes'"
# The desktop matches windows to the entry by their class.
xprop -id "$wid" WM_CLASS | grep -q '"typovex"' || fail "window class: $(xprop -id "$wid" WM_CLASS)"

echo "Esc closes the window and ends the program"
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key Escape
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "Esc did not end the program"
rc=0
wait "$program" || rc=$?
program=
[ "$rc" -eq 0 ] || fail "the program ended with exit code $rc: $(cat "$work/program.log")"

if [ -z "$root" ]; then
    echo "apt-get removes the package and nothing of it is left"
    remove_package
    [ "$(package_state)" = not-installed ] || fail "dpkg still has typovex as $(package_state)"
    ! dpkg -L typovex >/dev/null 2>&1 || fail "dpkg -L still lists the files of typovex"
    for path in "${expected_files[@]}"; do
        [ ! -e "${path#.}" ] || fail "${path#.} is left after removal"
    done
fi

elapsed=$(($(date +%s) - started))
echo "  took $elapsed s"
[ "$elapsed" -lt 120 ] || fail "the package check took $elapsed s"
echo "PASS"
