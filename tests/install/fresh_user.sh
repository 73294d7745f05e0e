#!/usr/bin/env bash
# The installed editor started by a new user, as a desktop would start it:
#   1. `cmake --install` into a temporary prefix puts the editor, its data, the desktop entry, the
#      icon and the document types in place; the prefix is then made read-only;
#   2. the installed editor starts in a real X server (this script runs under xvfb-run) with an
#      empty HOME: no message box appears, the page takes typing at once;
#   3. the user's files are in the user's folders; nothing was written outside HOME.
# Usage: fresh_user.sh <cmake> <build folder>
set -euo pipefail
cmake=$1
build=$2
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

prefix=$work/prefix
home=$work/home
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

# 1. What the installation puts in place.
for f in bin/korvalis share/korvalis/MnSymFt.dat share/korvalis/Macros.zqm share/korvalis/TipsText.txt \
  share/korvalis/docs/license.txt share/korvalis/help/index.html share/korvalis/fonts/ZQVSerif.TTF \
  share/korvalis/fonts/RelMath.TTF share/applications/korvalis.desktop share/mime/packages/korvalis.xml \
  share/icons/hicolor/48x48/apps/korvalis.png share/icons/hicolor/256x256/apps/korvalis.png; do
  [ -s "$prefix/$f" ] || fail "the installation lacks $f"
done
desktop=$prefix/share/applications/korvalis.desktop
grep -qx 'Exec=korvalis %f' "$desktop" || fail "the desktop entry does not start the editor with a file"
grep -qx 'Icon=korvalis' "$desktop" || fail "the desktop entry names no icon"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop" || fail "desktop entry"; fi
# Each document type is known by its extension and opened by the editor.
mimes=$work/mime
cp -r "$prefix/share/mime" "$mimes"
if command -v update-mime-database >/dev/null; then
  update-mime-database "$mimes" >/dev/null 2>&1 || fail "update-mime-database refused the types"
fi
for pair in zqv:application/x-korvalis-document zqs:application/x-korvalis-shapes \
  zqm:application/x-korvalis-macros zqg:image/x-korvalis-zqg; do
  ext=${pair%%:*}
  type=${pair#*:}
  if [ -f "$mimes/globs2" ]; then
    grep -q ":$type:\*\.$ext$" "$mimes/globs2" || fail "*.$ext is not $type"
  fi
  grep -q "^MimeType=.*$type;" "$desktop" || fail "the editor does not open $type"
done

# 2. A new user starts the installed editor. The installation is read-only; every folder the
# program may write to (settings, data, temporary files) is under HOME.
chmod -R a-w "$prefix"
mkdir -p "$home/tmp" "$home/run" "$work/cwd"
chmod 700 "$home/run"
touch "$work/started"
sleep 1

# The titles the tip window takes: the first sentence of each tip.
sed -n 's/^[A-Za-z0-9_]*=\([^.]*\.\).*/\1/p' "$prefix/share/korvalis/TipsText.txt" >"$work/tip-titles"
[ -s "$work/tip-titles" ] || fail "no tips"

# One run of the installed editor: the first windows, typing, the request to end.
run_editor() {
  (cd "$work/cwd" && exec env -i HOME="$home" TMPDIR="$home/tmp" XDG_RUNTIME_DIR="$home/run" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" \
    LANG=C.UTF-8 ASAN_OPTIONS=detect_leaks=0 "$prefix/bin/korvalis") >"$work/out.txt" 2>&1 &
  pid=$!

  # The windows of the editor, "id<TAB>title" per line.
  windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
      printf '%s\t%s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
    done
  }
  # At the first start the tip of the day comes up after the splash, titled by its tip.
  for _ in $(seq 1 120); do
    windows | cut -f2 | grep -Fxq -f "$work/tip-titles" && break
    kill -0 "$pid" 2>/dev/null || fail "the editor ended at start: $(cat "$work/out.txt")"
    sleep 0.5
  done
  sleep 2  # time for anything else that would come up
  list=$(windows)
  echo "$list"
  tips=$(printf '%s\n' "$list" | while IFS=$'\t' read -r id title; do
    printf '%s\n' "$title" | grep -Fxq -f "$work/tip-titles" && echo "$id"
  done)
  main=$(printf '%s\n' "$list" | awk -F'\t' '$2 == "Korvalis V" {print $1}')
  [ -n "$tips" ] || fail "no tip of the day"
  [ "$(printf '%s\n' "$main" | grep -c .)" = 1 ] || fail "a message box came up at start: $list"
  [ "$(printf '%s\n' "$list" | grep -c .)" = 2 ] || fail "other windows came up at start: $list"

  # The tip closed, the page takes typing without a click.
  xdotool windowfocus --sync "$tips" key Escape
  sleep 1
  xdotool windowfocus --sync "$main"
  sleep 0.5
  import -window "$main" "$work/before.png"
  xdotool type --delay 50 'WWWW'
  sleep 1
  import -window "$main" "$work/after.png"
  changed=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
  changed=${changed%% *}
  [ "${changed%.*}" -gt 100 ] 2>/dev/null || fail "typing did not reach the page ($changed pixels changed)"
  list=$(windows)
  [ "$(printf '%s\n' "$list" | grep -c .)" = 1 ] || fail "a message box came up while typing: $list"

  # The request to end ends the run without questions.
  kill -TERM "$pid"
  for _ in $(seq 1 40); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.25
  done
  kill -0 "$pid" 2>/dev/null && fail "the editor did not end"
  pid=""
}

run_editor
# 3. The user's files are the user's; the installation and the folder it was started in are
# untouched.
config=$home/.config/korvalis
data=$home/.local/share/korvalis
[ -s "$config/MnSymFt.dat" ] || fail "the symbol-font list was not copied for the user"
[ -s "$data/Macros.zqm" ] || fail "the default macro file was not copied for the user"
[ -s "$config/ChildFms.ini" ] || fail "the window's settings were not kept for the user"
# Emptied settings and data folders start as quietly as a new user's.
find "$config" "$data" -mindepth 1 -delete
run_editor
changed=$(find "$prefix" "$work/cwd" -newer "$work/started" -print || true)
[ -z "$changed" ] || fail "written outside HOME: $changed"
stray=$(find "$home" -mindepth 1 -newer "$work/started" -print | grep -v -e "^$home/.config" -e "^$home/.local" -e "^$home/tmp" \
  -e "^$home/run" -e "^$home/.cache" || true)
[ -z "$stray" ] || fail "written elsewhere in HOME: $stray"
echo "The installed editor started cleanly for a new user."
