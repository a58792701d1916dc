#!/usr/bin/env bash
# Makes the Debian package from the build tree's install rules, checks what it
# holds and that the validators accept its launcher, metainfo and man page,
# then unpacks it and runs the installed program headless from its prefix.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/paddock_*.deb) || fail "no package made"

# Every file and link, and nothing else (directories left out).
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/files"
id=org.paddock.Paddock
{
  echo ./usr/bin/paddock
  echo ./usr/games/paddock
  echo ./usr/share/applications/$id.desktop
  echo ./usr/share/doc/paddock/changelog.gz
  echo ./usr/share/doc/paddock/copyright
  echo ./usr/share/doc/paddock/examples/show.script
  for s in 16 22 24 32 48 64 128 256; do echo ./usr/share/icons/hicolor/${s}x$s/apps/$id.png; done
  echo ./usr/share/man/man6/paddock.6.gz
  echo ./usr/share/metainfo/$id.metainfo.xml
  for r in AppIcon.png Cow_0.wav Cow_1.wav Cow_2.wav DisplayStrings.strings Info.json \
           MainWindow.json PaddockView.json boing_0.wav boing_1.wav boing_2.wav cow.png \
           cow@2x.png cow@3x.png; do
    echo ./usr/share/paddock/resources/$r
  done
} | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's file list"

control=$(dpkg-deb -f "$deb" Package Version Section Depends)
for want in "Package: paddock" "Section: games" "libsdl2-2.0-0" "libsdl2-mixer-2.0-0" \
            "libcairo2" "libpangocairo-1.0-0" "libegl1" "libgles1" "fonts-dejavu-core"; do
  grep -qF "$want" <<<"$control" || fail "control field lacks $want: $control"
done

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

dpkg-deb -x "$deb" "$work/root"
prefix=$work/root/usr
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "appstreamcli validate"; }
warnings=$(man --warnings -l "$prefix/share/man/man6/paddock.6.gz" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "man page warnings: $warnings"
file -b "$prefix/bin/paddock" | grep -q ", stripped" || fail "the program is not stripped"

# The installed tree runs from its prefix, through the games link too, and
# finds its resources there, not in the build tree.
version=$("$prefix/games/paddock" --version) || fail "--version"
[[ $version == "paddock $(dpkg-deb -f "$deb" Version)" ]] || fail "--version says $version"
mkdir -p "$work/run"
cd "$work/run"
"$prefix/bin/paddock" --headless --script "$prefix/share/doc/paddock/examples/show.script" \
  --trace trace.txt >out.txt 2>&1 || { cat out.txt; fail "headless run from the prefix"; }
grep -q ' show start' trace.txt && grep -q ' show end' trace.txt || fail "no whole show in the trace"
for f in 0-resting 1-held 2-show 3-show 4-back 5-next-line; do
  [[ -s out/$f.png ]] || fail "snapshot $f missing"
done
cmp -s out/0-resting.png out/4-back.png || fail "the placard did not come back to rest where it started"
cmp -s out/4-back.png out/5-next-line.png && fail "the double tap did not change the placard's line"
echo "package: 1 passed, 0 failed"
