#!/usr/bin/env bash
# package_test.sh BUILD VERSION OUT: makes the .deb from BUILD with CPack and checks it as a user
# of a Debian desktop would meet it. Fails on a missing or misplaced file, a wrong dependency,
# a lintian error, an invalid desktop entry or AppStream file, an installed program that cannot
# find its files, or a window whose pictures differ from the build tree's. Installs the package
# (root only; exit 77 = skipped otherwise) and removes it again unless it was installed before.
set -euo pipefail
build=$1 version=$2 out=$3
support=$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)
if [ "$(id -u)" -ne 0 ]; then echo "skipped: installing the package needs root"; exit 77; fi
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }
say() { echo "$* [${SECONDS} s]"; }

# --- build ---------------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -B "$out/cpack" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/cpack/vexlo_"$version"_*.deb)
say "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

# --- contents ------------------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$out/files"
expect=(
  /usr/bin/vexlo /usr/bin/vexlo-merge
  /usr/share/vexlo/html/bottom.html /usr/share/vexlo/示例/模板.doc /usr/share/vexlo/示例/数据.xls
  /usr/share/applications/vexlo.desktop /usr/share/metainfo/org.vexlo.vexlo.metainfo.xml
  /usr/share/man/man1/vexlo.1.gz /usr/share/man/man1/vexlo-merge.1.gz
  /usr/share/man/zh_CN/man1/vexlo.1.gz /usr/share/man/zh_CN/man1/vexlo-merge.1.gz
  /usr/share/doc/vexlo/copyright /usr/share/doc/vexlo/changelog.gz
)
for picture in close ks ml mlb open openb sl slb; do
  expect+=("/usr/share/vexlo/resource/$picture.jpg" "/usr/share/vexlo/resource/${picture}2.jpg")
done
for size in 16 24 32 48 64 128 256; do
  expect+=("/usr/share/icons/hicolor/${size}x${size}/apps/vexlo.png")
done
for f in "${expect[@]}"; do grep -qxF "$f" "$out/files" || fail "$f is not in the package"; done
stray=$(grep -v -e '^/usr/' -e '^/$' "$out/files" || true)
[ -z "$stray" ] || fail "files outside /usr: $stray"

mkdir -p "$out/unpacked"
dpkg-deb -x "$deb" "$out/unpacked"
root="$out/unpacked"
for size in 16 24 32 48 64 128 256; do
  got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x${size}/apps/vexlo.png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
done
for program in vexlo vexlo-merge; do
  file "$root/usr/bin/$program" | grep -q 'stripped' && ! file "$root/usr/bin/$program" | grep -q 'not stripped' ||
    fail "$program is not stripped"
  # The only run path allowed is LibreOffice's program folder, where the UNO libraries find theirs.
  runpath=$(readelf -d "$root/usr/bin/$program" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')
  [ -z "$runpath" ] || [ "$runpath" = /usr/lib/libreoffice/program ] ||
    fail "$program has the run path $runpath"
done

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libzip4 libpugixml1v5 libcups2 libc6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
done
grep -qE 'libreoffice|cups( |,|$)' <<<"${depends//libcups2/}" && fail "LibreOffice or CUPS is required"
grep -q 'libreoffice-writer' <<<"$recommends" || fail "LibreOffice is not recommended"
grep -qE '(^|, )cups' <<<"$recommends" || fail "CUPS is not recommended"

# --- validators ----------------------------------------------------------------------------
desktop-file-validate "$root/usr/share/applications/vexlo.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vexlo.vexlo.metainfo.xml" ||
  fail "appstreamcli validate"
lintian --allow-root --fail-on error --tag-display-limit 0 -j 2 "$deb" >"$out/lintian.txt" 2>&1 ||
  { cat "$out/lintian.txt"; fail "lintian reports errors"; }
say "lintian: $(grep -c '^E:' "$out/lintian.txt" || true) errors, $(grep -c '^W:' "$out/lintian.txt" || true) warnings"
grep '^W:' "$out/lintian.txt" || true

# --- install -------------------------------------------------------------------------------
was_installed=no
dpkg-query -W -f='${Status}' vexlo 2>/dev/null | grep -q 'install ok installed' && was_installed=yes
cleanup() {
  if [ "$was_installed" = no ]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=120 vexlo \
      >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT
# Another apt may hold its locks for a while: try again for up to two minutes.
for try in $(seq 1 24); do
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends \
    -o DPkg::Lock::Timeout=5 "$deb" >"$out/apt.log" 2>&1 && break
  grep -qi 'lock' "$out/apt.log" && [ "$try" -lt 24 ] || { cat "$out/apt.log"; fail "apt install"; }
  sleep 5
done
[ "$(command -v vexlo)" = /usr/bin/vexlo ] || fail "vexlo is not /usr/bin/vexlo on the PATH"

# --- the installed programs, from a folder without the project's files ---------------------
elsewhere=$(mktemp -d)
trap 'rm -rf "$elsewhere"; cleanup' EXIT
cd "$elsewhere"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY vexlo --version)" = "vexlo $version" ] || fail "vexlo --version"
[ "$(vexlo-merge --version)" = "vexlo-merge $version" ] || fail "vexlo-merge --version"
man -w vexlo-merge | grep -q '^/usr/share/man/man1/vexlo-merge.1.gz$' || fail "man vexlo-merge"
mkdir 输出
vexlo-merge --data /usr/share/vexlo/示例/数据.xls --template /usr/share/vexlo/示例/模板.doc \
  --out 输出 >"$out/merge.log" 2>&1 || { rc=$?; cat "$out/merge.log"; fail "vexlo-merge on the examples (exit status $rc)"; }
documents=$(find 输出 -name '*.doc' | wc -l)
[ "$documents" -eq 10 ] || fail "the examples made $documents documents, not 10"
[ ! -e AppError.txt ] || fail "vexlo-merge logged a run-time error"
say "vexlo-merge: $documents documents from the installed examples"

# --- the window: build tree, installed, unpacked copy ---------------------------------------
shots="$out/shots"
mkdir -p "$shots"
source "$support/vexlo_window.sh"
# new_display WHY: replaces the virtual display.
new_display() {
  echo "$1; starting another display" >&2
  vexlo_xvfb_stop
  vexlo_xvfb_start "$shots" || fail "no virtual display answers"
  xdotool mousemove 0 0 || true
}
# shot NAME EXE FOLDER [FILE...]: starts EXE in FOLDER with the files, waits for its window to
# settle (the web panel, the start-up check: two captures half a second apart are the same),
# saves it as NAME.png and ends the program.
shot() {
  local name=$1 exe=$2 dir=$3 pid attempt
  shift 3
  # While many tests run at once a virtual display now and then stops answering, or takes the
  # program's connection badly (the program then ends at once): up to three tries, each on a new
  # display after the first.
  for attempt in 1 2 3; do
    if ! xdotool getdisplaygeometry >/dev/null 2>&1; then
      new_display "the virtual display $DISPLAY stopped answering"
    fi
    (cd "$dir" && exec "$exe" "$@") >"$shots/$name.log" 2>&1 &
    pid=$!
    vexlo_window_wait
    [ "$size" = "712x508" ] && break
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    grep -q 'could not connect to display' "$shots/$name.log" || ! xdotool getdisplaygeometry >/dev/null 2>&1 ||
      break
    [ "$attempt" = 3 ] || new_display "the program could not reach $DISPLAY"
  done
  [ "$size" = "712x508" ] || { cat "$shots/$name.log"; fail "$name: no 712x508 window"; }
  vexlo_window_capture "$id" "$shots/$name-screen.png" "$shots/$name.png"
  for _ in $(seq 1 20); do
    sleep 0.5
    cp "$shots/$name.png" "$shots/$name-before.png"
    vexlo_window_capture "$id" "$shots/$name-screen.png" "$shots/$name.png"
    [ "$(compare -metric AE "$shots/$name-before.png" "$shots/$name.png" null: 2>&1 || true)" = 0 ] && break
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
home_log_before=$(stat -c %s "$home/AppError.txt" 2>/dev/null || echo none)
mkdir -p "$elsewhere/empty"
vexlo_xvfb_start "$shots"
trap 'vexlo_xvfb_stop; rm -rf "$elsewhere"; cleanup' EXIT
export QT_QPA_PLATFORM=xcb
xdotool mousemove 0 0
shot build "$build/vexlo" "$elsewhere/empty"
shot installed /usr/bin/vexlo "$home"
shot unpacked "$root/usr/bin/vexlo" "$elsewhere/empty"
shot opened /usr/bin/vexlo "$home" /usr/share/vexlo/示例/数据.xls /usr/share/vexlo/示例/模板.doc
vexlo_xvfb_stop
[ "$(stat -c %s "$home/AppError.txt" 2>/dev/null || echo none)" = "$home_log_before" ] ||
  fail "the installed vexlo logged a run-time error"

# The ten picture buttons and the web panel (x, y, width, height in the window).
regions=(
  "uo_1 536 180 32 32" "uo_2 573 180 32 32" "uo_9 609 180 32 32"
  "uo_3 536 260 32 32" "uo_4 573 260 32 32" "uo_10 609 260 32 32"
  "uo_5 536 298 32 32" "uo_8 573 298 32 32" "uo_7 677 1 32 32" "uo_6 296 397 129 54"
  "ole_1 431 85 267 41"
)
for region in "${regions[@]}"; do
  read -r control x y w h <<<"$region"
  for name in build installed unpacked; do
    convert "$shots/$name.png" -crop "${w}x${h}+$x+$y" +repage "$shots/$name-$control.png"
  done
  # A picture that was not found leaves a flat face: a found one has many colours.
  colours=$(identify -format '%k' "$shots/build-$control.png")
  [ "$colours" -gt 8 ] || fail "$control is blank in the build tree's window ($colours colours)"
  for name in installed unpacked; do
    differing=$(compare -metric AE "$shots/build-$control.png" "$shots/$name-$control.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "$control differs in the $name window ($differing pixels)"
  done
done
say "window: the ten picture buttons and the web panel match the build tree's (installed and unpacked)"

# Started with a workbook and a template, as the desktop entry passes them: both fields show text
# where the window started without them has none.
for field in "sle_1 224 185 301 21" "sle_2 224 265 301 21"; do
  read -r control x y w h <<<"$field"
  for name in installed opened; do
    convert "$shots/$name.png" -crop "${w}x${h}+$x+$y" +repage "$shots/$name-$control.png"
  done
  differing=$(compare -metric AE "$shots/installed-$control.png" "$shots/opened-$control.png" null: 2>&1 || true)
  [ "$differing" -gt 50 ] || fail "$control does not show the file vexlo was started with"
done
say "window: started with the examples, the data and template fields show them"
say "package test passed"
