#!/usr/bin/env bash
# End-to-end run of the real ordertable-cli on generated order-list pages: a new table, an
# update that adds rows, an update that adds none, and failures that must lose nothing.
#   cli_end_to_end.sh ORDERTABLE_CLI SAMPLE_PAGES
set -u
cli=$(realpath "$1")
sample_pages=$(realpath "$2")
work=$(mktemp -d)
full="$work/full"
trap 'mountpoint -q "$full" && umount "$full"; chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect STATUS COMMAND...: runs COMMAND in the table folder and checks its exit status.
expect() {
  local want=$1; shift
  (cd "$work/table" && "$@") >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" = "$want" ] || fail "'$*' exited with $got, not $want: $(cat "$work/err")"
}
# The lines of the document without their CR.
lines() { tr -d '\r' <"$1"; }
ratings() { lines "$1" | sed -n "s/^<td><span class='stars'>\(.*\)<\/span><\/td>$/\1/p" | tr '\n' ' '; }
numbers() { lines "$1" | sed -n 's/^<td>\([0-9]*\)<\/th>$/\1/p' | tr '\n' ' '; }

mkdir -p "$work/table" "$work/old" "$work/new"
"$sample_pages" "$work/old" --pages 3 --orders-per-page 10 --first-id 8012000000000010 >/dev/null
"$sample_pages" "$work/new" --pages 2 --orders-per-page 10 --first-id 8012000000000005 --crlf \
  >/dev/null
doc="$work/table/AliExpress Orders.html"
bkp="$work/table/AliExpress Orders.bkp"

# No cached page file yet.
expect 2 "$cli" build
[ -e "$doc" ] && fail "a build without pages wrote a document"

# A new table of 30 orders from three saved pages.
expect 0 "$cli" import ../old/page_03.html ../old/page_01.html ../old/page_02.html
grep -q '^30 row(s) written' "$work/out" || fail "new table: $(cat "$work/out")"
[ "$(lines "$doc" | wc -l)" = $((57 + 12 * 30)) ] || fail "new table: not 57 + 12 x 30 lines"
[ "$(grep -c $'\r$' "$doc")" = $((57 + 12 * 30)) ] || fail "new table: a line without CR LF"
[ "$(tail -c 16 "$doc")" = $'</body></html>\r' ] || fail "new table: last line"
case "$(ratings "$doc")" in
  "4.84 1 2.59 .66 4.37 .12 "*) ;;
  *) fail "new table: ratings $(ratings "$doc")" ;;
esac
[ "$(numbers "$doc")" = "$(seq -s ' ' 30 -1 1) " ] || fail "new table: numbers $(numbers "$doc")"
[ "$(lines "$doc" | sed -n 34p)" = '<!--8012000000000010-->' ] || fail "new table: first key"
cp "$doc" "$work/first.html"

# Never overwritten without --update.
expect 1 "$cli" build
cmp -s "$doc" "$work/first.html" || fail "build without --update changed the table"

# An update: the new page 1 holds five new orders, then five known ones.
expect 0 "$cli" import --update ../new/page_01.html ../new/page_02.html
grep -q '^5 new row(s) added' "$work/out" || fail "update: $(cat "$work/out")"
grep -q 'page 2 not needed' "$work/err" || fail "update: page 2 was used"
cmp -s "$bkp" "$work/first.html" || fail "update: the backup is not the previous table"
[ "$(lines "$doc" | wc -l)" = $((57 + 12 * 35)) ] || fail "update: not 57 + 12 x 35 lines"
cmp -s <(head -n 33 "$doc") <(head -n 33 "$work/first.html") || fail "update: head changed"
cmp -s <(tail -n +94 "$doc") <(tail -n +34 "$work/first.html") || fail "update: old rows changed"
case "$(ratings "$doc")" in
  "4.84 1 2.59 .66 4.37 "*) ;;
  *) fail "update: ratings $(ratings "$doc")" ;;
esac
case "$(numbers "$doc")" in
  "5 4 3 2 1 30 29 "*) ;;
  *) fail "update: numbers $(numbers "$doc")" ;;
esac
cp "$doc" "$work/second.html"

# An update that finds nothing new leaves the table and the last good backup alone.
expect 0 "$cli" build --update
grep -q '^0 new row(s) added' "$work/out" || fail "no new order: $(cat "$work/out")"
cmp -s "$doc" "$work/second.html" || fail "no new order: the table changed"
cmp -s "$bkp" "$work/first.html" || fail "no new order: the backup changed"
cp "$bkp" "$work/backup.html"

# A file in the place of the folder of assets beside the table: the update fails, says why,
# and leaves the table and its backup as they were.
assets="$work/table/AliExpress Orders files"
[ -f "$assets/js/jquery.min.js" ] || fail "new table: no assets beside it"
mv "$assets" "$work/assets"
echo "in the way" >"$assets"
expect 3 "$cli" build --update
grep -q 'AliExpress Orders files' "$work/err" || fail "assets in the way: $(cat "$work/err")"
cmp -s "$doc" "$work/second.html" || fail "assets in the way: the table changed"
cmp -s "$bkp" "$work/backup.html" || fail "assets in the way: the backup changed"
rm "$assets"
mv "$work/assets" "$assets"

# The document replaced by a folder: a folder is no table to update, and the backup stays.
mv "$doc" "$work/kept.html"
mkdir "$doc"
expect 1 "$cli" build --update
[ -d "$doc" ] || fail "document folder: the folder is gone"
cmp -s "$bkp" "$work/backup.html" || fail "document folder: the backup changed"
rmdir "$doc"

# The document vanished: nothing to update, nothing touched.
expect 1 "$cli" build --update
cmp -s "$bkp" "$work/backup.html" || fail "vanished: the backup changed"
mv "$work/kept.html" "$doc"

# Ten orders newer than any in the table.
mkdir -p "$work/newer"
"$sample_pages" "$work/newer" --pages 1 --orders-per-page 10 --first-id 8011999999999990 \
  >/dev/null

# A read-only folder. File modes do not bind the super-user, so as root the tool runs as the
# unprivileged user "nobody" in a folder of its own.
as_user=()
ro="$work/table"
if [ "$(id -u)" = 0 ]; then
  if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
    as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    ro="$work/read-only"
    mkdir -p "$ro"
    cp -r "$work/table/." "$ro/"
    chown -R nobody "$ro"
    chmod 755 "$work"
  else
    ro=""
    echo "read-only folder case skipped: no way to run as an unprivileged user"
  fi
fi
if [ -n "$ro" ]; then
  cp "$ro/AliExpress Orders.html" "$work/ro-before.html"
  cp "$ro/AliExpress Orders.bkp" "$work/ro-backup.html"
  chmod a-w "$ro"
  (cd "$ro" && "${as_user[@]}" "$cli" import --update "$work/newer/page_01.html") \
    >"$work/out" 2>"$work/err"
  status=$?
  chmod u+w "$ro"
  [ "$status" = 3 ] || fail "read-only: exited with $status, not 3: $(cat "$work/err")"
  cmp -s "$ro/AliExpress Orders.html" "$work/ro-before.html" || fail "read-only: table changed"
  cmp -s "$ro/AliExpress Orders.bkp" "$work/ro-backup.html" || fail "read-only: backup changed"
  compgen -G "$ro/*.tmp" >/dev/null && fail "read-only: a temporary file was left"
fi

# A disk that fills up while the merged table is written: a file system just big enough for
# the table. Needs the right to mount one, so it runs as root only.
mkdir -p "$full" "$work/cache"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=$(( ($(stat -c %s "$doc") / 4096 + 2) * 4096 )) \
  tmpfs "$full" 2>/dev/null; then
  cp "$doc" "$full/"
  ln -s "$work/cache" "$full/tmp"  # the cached pages live elsewhere; only the table fills up
  (cd "$full" && "$cli" import --update "$work/newer/page_01.html") >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" = 3 ] || fail "disk full: exited with $status, not 3: $(cat "$work/out")"
  cmp -s "$full/AliExpress Orders.html" "$doc" || fail "disk full: the table changed"
  [ -e "$full/AliExpress Orders.bkp" ] && fail "disk full: a backup was made"
  compgen -G "$full/*.tmp" >/dev/null && fail "disk full: a temporary file was left"
else
  echo "disk-full case skipped: no right to mount a small file system"
fi

# The order keys of a table, one per line, in its order.
keys() { lines "$1" | sed -n 's/^<!--\([0-9]*\)-->$/\1/p'; }

# A table saved again by a browser ("Save page as" puts a comment on its first line) with a
# note in its head, moved without its folder of assets: the update puts its rows in the table's
# body, where a browser shows them, and the folder back.
saved="$work/saved-as"
mkdir -p "$saved"
{ printf '<!-- saved from url=(0014)about:internet -->\r\n'
  sed '3a <!-- my notes: <tbody> orders of 2025 -->\r' "$doc"; } >"$saved/AliExpress Orders.html"
(cd "$saved" && "$cli" import --update "$work/newer/page_01.html") >"$work/out" 2>"$work/err" ||
  fail "saved-as: $(cat "$work/err")"
grep -q '^10 new row(s) added' "$work/out" || fail "saved-as: $(cat "$work/out")"
[ "$(keys "$saved/AliExpress Orders.html" | wc -l)" = 45 ] || fail "saved-as: not 45 rows"
[ "$(lines "$saved/AliExpress Orders.html" | grep -n -m1 '^<!--[0-9]*-->$' | cut -d: -f1)" -gt \
  "$(lines "$saved/AliExpress Orders.html" | grep -n -m1 '<tbody>' | cut -d: -f1)" ] ||
  fail "saved-as: new rows before the table's body"
(cd "$saved" && "$cli" export --csv orders.csv) >"$work/out" 2>&1 || fail "saved-as: export"
grep -q '^45 row(s) written' "$work/out" || fail "saved-as: export: $(cat "$work/out")"
[ -f "$saved/AliExpress Orders files/js/jquery.min.js" ] || fail "saved-as: assets not put back"

# Two updates of one folder at once: each run holds the folder for its whole read-merge-write,
# so the table ends with the orders of both and the backup is a table of one step before.
# They overlap: A brings 10 new orders, B those and 10 more.
mkdir -p "$work/run-a" "$work/run-b"
"$sample_pages" "$work/run-a" --pages 1 --orders-per-page 20 --first-id 8011999999999995 >/dev/null
"$sample_pages" "$work/run-b" --pages 1 --orders-per-page 30 --first-id 8011999999999985 >/dev/null
together="$work/together"
for trial in $(seq 20); do
  rm -rf "$together" && mkdir -p "$together" && cp "$work/second.html" "$together/AliExpress Orders.html"
  (cd "$together" && "$cli" import --update "$work/run-a/page_01.html") >"$work/out-a" 2>&1 &
  (cd "$together" && "$cli" import --update "$work/run-b/page_01.html") >"$work/out-b" 2>&1
  status_b=$?
  wait $!
  status_a=$?
  [ "$status_a$status_b" = 00 ] || fail "together $trial: exited with $status_a and $status_b"
  added=$(( $(cat "$work/out-a" "$work/out-b" | sed -n 's/^\([0-9]*\) new row(s) added.*/\1/p' |
             paste -sd+) ))
  [ "$added" = 20 ] || fail "together $trial: $added rows added, not 20"
  [ "$(keys "$together/AliExpress Orders.html" | sort -u | wc -l)" = 55 ] ||
    fail "together $trial: the table lacks orders of a run"
  [ "$(keys "$together/AliExpress Orders.html" | wc -l)" = 55 ] ||
    fail "together $trial: an order twice"
  case "$(keys "$together/AliExpress Orders.bkp" | wc -l)" in
    35 | 45) ;;
    *) fail "together $trial: the backup is not the table of one step before" ;;
  esac
done

# A run stopped at each step of replacing the table (under a debugger, at the system calls
# that make the backup and put the new table in place) leaves a table every time, the old one
# or the new; the next run ends the update.
if command -v gdb >/dev/null; then
  stopped="$work/stopped"
  for stop in link rename-1 rename-2; do
    rm -rf "$stopped" && mkdir -p "$stopped" && cp "$work/second.html" "$stopped/AliExpress Orders.html"
    cp -r "$work/table/AliExpress Orders files" "$stopped/"
    gdb_steps=(-ex 'break link' -ex run)
    case $stop in
      rename-1) gdb_steps+=(-ex 'break rename' -ex continue) ;;
      rename-2) gdb_steps+=(-ex 'break rename' -ex continue -ex continue) ;;
    esac
    (cd "$stopped" && gdb -q -batch -ex 'set breakpoint pending on' "${gdb_steps[@]}" -ex kill \
      --args "$cli" import --update "$work/newer/page_01.html") >"$work/gdb-out" 2>&1
    grep -q 'Breakpoint' "$work/gdb-out" || { fail "stopped at $stop: no breakpoint hit"; continue; }
    [ "$(keys "$stopped/AliExpress Orders.html" | wc -l)" = 35 ] ||
      fail "stopped at $stop: the table is not the previous one"
    (cd "$stopped" && "$cli" import --update "$work/newer/page_01.html") >"$work/out" 2>&1 ||
      fail "after a stop at $stop: $(cat "$work/out")"
    [ "$(keys "$stopped/AliExpress Orders.html" | wc -l)" = 45 ] || fail "after $stop: not 45 rows"
    cmp -s "$stopped/AliExpress Orders.bkp" "$work/second.html" ||
      fail "after $stop: the backup is not the previous table"
    compgen -G "$stopped/*.tmp" >/dev/null && fail "after $stop: a temporary file was left"
  done
else
  echo "stopped-run case skipped: no gdb"
fi

# An earlier version stopped between moving the table to the backup and putting the new one
# in its place: the table is put back, from its complete temporary file, and the run says so.
lost="$work/lost"
mkdir -p "$lost"
cp "$work/first.html" "$lost/AliExpress Orders.bkp"
cp "$work/second.html" "$lost/AliExpress Orders.tmp"
(cd "$lost" && "$cli" build --update) >"$work/out" 2>"$work/err"
grep -q 'was missing after a run that stopped part way' "$work/err" ||
  fail "lost table: not said: $(cat "$work/err")"
cmp -s "$lost/AliExpress Orders.html" "$work/second.html" || fail "lost table: not put back"
[ -e "$lost/AliExpress Orders.tmp" ] && fail "lost table: its temporary file was left"

[ "$failures" = 0 ] && echo "all end-to-end checks passed"
exit $((failures > 0))
