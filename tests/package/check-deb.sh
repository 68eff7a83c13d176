#!/usr/bin/env bash
# The Debian package made from a build folder: its files, its control fields, and
# what lintian, desktop-file-validate and appstreamcli say of it.
# Usage: check-deb.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A package folder of its own, so a run beside scripts/package.sh changes nothing of it.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
deb="$work/out/tervala_${version}_amd64.deb"
[ -f "$deb" ] || { fail "no tervala_${version}_amd64.deb"; ls "$work/out"; exit 1; }

# The files, exactly: nothing of the tools, the tests or the static libraries.
expected=(
    ./usr/bin/tervala
    ./usr/share/applications/pl.tervala.Tervala.desktop
    ./usr/share/doc/tervala/changelog.gz
    ./usr/share/doc/tervala/copyright
    ./usr/share/icons/hicolor/scalable/apps/tervala.svg
    ./usr/share/man/man1/tervala.1.gz
    ./usr/share/metainfo/pl.tervala.Tervala.metainfo.xml
)
for size in 16 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tervala.png")
done
for xsd in "$source"/data/*.xsd; do
    [ -e "$xsd" ] && expected+=("./usr/share/tervala/$(basename "$xsd")")
done
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ {print $6}' "$work/contents" | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's files differ from the expected list"
grep -q '^-rwxr-xr-x root/root .* ./usr/bin/tervala$' "$work/contents" || fail "usr/bin/tervala is not an executable of root"
if awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$work/contents" | grep .; then
    fail "folders not 0755"
fi

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tervala ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = misc ] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
# dpkg-shlibdeps's part (the linked libraries) and ours (what is loaded at run time).
for package in libqt6widgets6 libqt6printsupport6 libqt6network6 libfbclient2 libc6 libstdc++6 \
    firebird3.0-server-core libqt6gui6 fonts-liberation; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done

# The installed files as the desktop validators read them.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/pl.tervala.Tervala.desktop" || fail "desktop-file-validate"
grep -qx 'Categories=Office;Finance;' "$work/root/usr/share/applications/pl.tervala.Tervala.desktop" ||
    fail "not in Office;Finance;"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/pl.tervala.Tervala.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$work/root/usr/share/metainfo/pl.tervala.Tervala.metainfo.xml" ||
    fail "the metainfo's release is not $version"
zcat "$work/root/usr/share/man/man1/tervala.1.gz" | grep -q "create\\\\-database" || fail "the man page lacks create-database"
# A package built from a sanitizer build carries its runtime and hardening warnings;
# only lintian's errors fail the check.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "package $(basename "$deb") passed"
