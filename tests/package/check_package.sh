#!/usr/bin/env bash
# check_package.sh BUILD_DIR WORK_DIR VERSION gui|nogui
# Packs BUILD_DIR with cpack into WORK_DIR, then checks the package with dpkg-deb: control
# fields, the exact file list, icon sizes, manual pages, copyright and changelog, and
# jiujiu-cli --help run from the unpacked tree; then lintian, where it is installed: its
# errors fail, its warnings are printed. Exits 77 (skipped) where the Debian tools are missing.
set -euo pipefail
build=$1 work=$2 version=$3 gui=$4

for tool in dpkg dpkg-deb dpkg-shlibdeps dpkg-parsechangelog cpack gzip od; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

arch=$(dpkg --print-architecture)
rm -rf "$work"
mkdir -p "$work"
start=$SECONDS
if ! cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
echo "cpack took $((SECONDS - start)) s"
deb="$work/jiujiu_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    ls -l "$work"
    echo "FAIL: cpack made no $deb"
    exit 1
fi
echo "package: $deb ($(stat -c %s "$deb") bytes)"

# --- control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
    local value
    value=$(field "$1")
    [ "$value" = "$2" ] || fail "$1 is '$value', not '$2'"
}
expect_field Package jiujiu
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section net
expect_field Priority optional
[[ $(field Maintainer) =~ ^.+\ \<.+@.+\>$ ]] || fail "Maintainer '$(field Maintainer)' is no name <address>"
[[ $(field Description) == "Chinese-language search tool for ed2k resources"* ]] ||
    fail "Description starts '$(field Description | head -n 1)'"
[ "$(field Description | wc -l)" -gt 3 ] || fail "Description has no long text"
[[ $(field Recommends) == *"amule | amule-daemon"* ]] || fail "Recommends '$(field Recommends)' names no ed2k client"

depends=$(field Depends)
echo "Depends: $depends"
required=(libc6 libstdc++6 libcurl4 libpcre2-8-0 libxlsxwriter4 libglib2.0-bin)
if [ "$gui" = gui ]; then
    required+=(libqt6core6 libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6-bin libjpeg62-turbo)
fi
# The dependencies shlibdeps finds, and the ones named by hand.
names=$(tr ',|' '\n\n' <<<"$depends" | awk 'NF {print $1}' | sort -u)
for package in "${required[@]}"; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package"
done
# Every dependency is a package this machine has: the names are real, not guessed.
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
    satisfied=0
    IFS='|' read -ra alternatives <<<"$group"
    for alternative in "${alternatives[@]}"; do
        name=$(awk '{print $1}' <<<"$alternative")
        dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' && satisfied=1
    done
    [ $satisfied = 1 ] || fail "dependency '$group' is not installed here"
done

# --- file list: exactly these files, nothing of the build's tools or tests ---
expected=(./usr/bin/jiujiu-cli ./usr/share/man/man1/jiujiu-cli.1.gz
    ./usr/share/doc/jiujiu/copyright ./usr/share/doc/jiujiu/changelog.gz
    ./usr/lib/systemd/user/jiujiu-watch@.service ./usr/lib/systemd/user/jiujiu-watch@.timer)
if [ "$gui" = gui ]; then
    expected+=(./usr/bin/jiujiu ./usr/share/man/man1/jiujiu.1.gz
        ./usr/share/applications/example.jiujiu.Jiujiu.desktop
        ./usr/share/metainfo/example.jiujiu.Jiujiu.metainfo.xml)
    for size in 16 32 48 64 128 256; do
        expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/jiujiu.png")
    done
fi
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
    fail "file list differs (- expected, + packed):"
    diff <(echo "$wanted") <(echo "$actual") || true
fi

# --- the unpacked tree ---
root="$work/root"
dpkg-deb -x "$deb" "$root"
for program in "$root"/usr/bin/*; do
    [ -x "$program" ] || fail "$program is not executable"
    if command -v readelf >/dev/null; then
        readelf -d "$program" | grep -qE 'RPATH|RUNPATH' && fail "$program keeps a build-tree run path"
        readelf -S "$program" | grep -q '\.debug_info' && fail "$program is not stripped"
    fi
done
help_out=$(ASAN_OPTIONS=detect_leaks=0 "$root/usr/bin/jiujiu-cli" --help) || fail "jiujiu-cli --help exited $?"
[[ $help_out == "usage: jiujiu-cli "* ]] || fail "jiujiu-cli --help printed '$help_out'"

# The changelog's latest entry is this version: a new version needs its entry.
doc="$root/usr/share/doc/jiujiu"
changelog_version=$(gzip -dc "$doc/changelog.gz" | dpkg-parsechangelog -l- -SVersion 2>&1) ||
    fail "changelog does not parse: $changelog_version"
[ "$changelog_version" = "$version" ] ||
    fail "changelog's latest entry is '$changelog_version', not '$version'"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$doc/copyright" || fail "copyright is not in the machine-readable format"
# Every stanza names an SPDX licence, and the project's own files are GPL-2.0-or-later.
awk '/^Files: \*$/ {getline; getline; print}' "$doc/copyright" | grep -qx 'License: GPL-2.0-or-later' ||
    fail "copyright does not license Files: * under GPL-2.0-or-later"
# A project's own licence name (LicenseRef-..., jiujiu-...) is no identifier a distribution knows.
grep '^License:' "$doc/copyright" | grep -vE '^License: [A-Z][A-Za-z0-9.]*(-[0-9.]+)?(-only|-or-later)?$' &&
    fail "copyright names a licence that is no SPDX identifier"

png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'; }
if [ "$gui" = gui ]; then
    for icon in "$root"/usr/share/icons/hicolor/*/apps/jiujiu.png; do
        dir=$(basename "$(dirname "$(dirname "$icon")")")
        [ "$(png_size "$icon")" = "$dir" ] || fail "$icon is $(png_size "$icon"), not $dir"
    done
    desktop="$root/usr/share/applications/example.jiujiu.Jiujiu.desktop"
    metainfo="$root/usr/share/metainfo/example.jiujiu.Jiujiu.metainfo.xml"
    grep -qx 'Exec=jiujiu' "$desktop" || fail "desktop entry does not run jiujiu"
    grep -qx 'Icon=jiujiu' "$desktop" || fail "desktop entry names another icon"
    # The validators' errors fail; their hints are printed.
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop entry does not validate"
    else
        fail "desktop-file-validate is not installed (scripts/setup installs it)"
    fi
    if command -v appstreamcli >/dev/null; then
        for how in validate validate-tree; do
            target=$metainfo
            [ $how = validate ] || target=$root
            appstream_out=$(appstreamcli $how --no-net "$target" 2>&1) || true
            printf '%s\n' "$appstream_out"
            grep -q '^E: ' <<<"$appstream_out" && fail "appstreamcli $how has errors"
            grep -q 'Validation was successful\|Validation failed' <<<"$appstream_out" ||
                fail "appstreamcli $how did not run"
        done
    else
        fail "appstreamcli is not installed (scripts/setup installs it)"
    fi
    # Its releases are the changelog's versions, with their dates.
    want_releases=$(gzip -dc "$doc/changelog.gz" | dpkg-parsechangelog -l- --all --format rfc822 |
        awk '/^Version:/ {v = $2} /^Timestamp:/ {print v, $2}' |
        while read -r v stamp; do echo "$v $(date -u -d "@$stamp" +%F)"; done)
    got_releases=$(grep -o '<release version="[^"]*" date="[^"]*"' "$metainfo" |
        sed 's/<release version="\([^"]*\)" date="\([^"]*\)"/\1 \2/')
    [ "$got_releases" = "$want_releases" ] ||
        fail "metainfo releases '$got_releases' are not the changelog's '$want_releases'"
fi
if command -v groff >/dev/null; then
    for page in "$root"/usr/share/man/man1/*.gz; do
        warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
        # grotty emboldens by overstriking: drop "X<backspace>" pairs before reading the text.
        # grep reads to the end (no -q): quitting early would kill sed with SIGPIPE on a page
        # longer than one pipe buffer, and pipefail would report that as no synopsis.
        gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 2>/dev/null | sed 's/.\x08//g' |
            grep '^SYNOPSIS' >/dev/null ||
            fail "$(basename "$page") renders no synopsis"
    done
fi

if command -v lintian >/dev/null; then
    lintian_start=$SECONDS
    # Tags come on standard output; standard error has only lintian's own remarks.
    lintian_out=$(lintian --fail-on none "$deb" 2>"$work/lintian.log") ||
        fail "lintian did not run: $(cat "$work/lintian.log")"
    echo "lintian took $((SECONDS - lintian_start)) s"
    [ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
    while IFS= read -r line; do
        fail "lintian: $line"
    done < <(grep '^E: ' <<<"$lintian_out" || true)
else
    echo "lintian is not installed: the package was not linted"
fi

rm -rf "$root" "$work/_CPack_Packages"
echo "package checked in $((SECONDS - start)) s; $failures failure(s)"
[ $failures -eq 0 ]
