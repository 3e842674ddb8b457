#!/usr/bin/env bash
# kvtool on a drive that fails: a full tmpfs, a read-only bind mount, a folder
# that is gone. Every command that writes exits non-zero with the German
# reason, leaves no half-written or temporary file, and an earlier file of
# the same name stays as it was. Needs root for mount, as the test command
# has; a refused mount fails the test.
set -u
export LC_ALL=C.UTF-8
tool=$1
history_fill=$2
work=$(mktemp -d)
full="$work/voll" ro="$work/schreibgeschuetzt"
cleanup() {
  for m in "$full" "$ro"; do mountpoint -q "$m" 2>/dev/null && umount -l "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }

mkdir -p "$full" "$ro" "$work/real" "$work/texte"
mount -t tmpfs -o size=200k tmpfs "$full" || { echo "FEHLER: mount -t tmpfs verweigert (als root ausführen)"; exit 1; }
mount --bind "$work/real" "$ro" && mount -o remount,ro,bind "$ro" ||
  { echo "FEHLER: schreibgeschützter bind-Mount verweigert (als root ausführen)"; exit 1; }

printf 'Erste Zeile des Textes\nZweite Zeile\n' >"$work/texte/eins.txt"
"$history_fill" "$work/Lernverlauf.sqlite" 5 >/dev/null || problem "history_fill"
"$tool" archive pack --name Vorher -o "$full/alt.kv7" "$work/texte/eins.txt" >/dev/null || problem "pack vorher"
"$tool" archive pack --name Vorher -o "$work/real/alt.kv7" "$work/texte/eins.txt" >/dev/null || problem "pack vorher (ro)"
before_full=$(sha1sum <"$full/alt.kv7")
dd if=/dev/zero of="$full/filler" bs=1k >/dev/null 2>&1
big="$work/texte/gross.txt"
for i in $(seq 1 250); do echo "Eine Zeile, die das Archiv groesser macht als den freien Platz $i"; done >"$big"

# expect_failure NAME PATTERN COMMAND...
expect_failure() {
  local name=$1 pattern=$2 out
  shift 2
  if out=$("$@" 2>&1); then problem "$name: gelang trotz des Fehlers"; return; fi
  grep -Eq -- "$pattern" <<<"$out" || problem "$name: Meldung passt nicht zu /$pattern/: $out"
  grep -Eiq -- 'no space|read-only|permission|No such' <<<"$out" && problem "$name: englische Meldung: $out"
}

for place in full ro gone; do
  case $place in
    full) dir=$full why='Der Datenträger ist voll\.' ;;
    ro) dir=$ro why='ist schreibgeschützt\.' ;;
    gone) dir="$work/weg" why='ist nicht erreichbar\.' ;;
  esac
  expect_failure "pack ($place)" "alt.kv7: Das Archiv wurde nicht geschrieben\. .*$why" \
    "$tool" archive pack --name Neu -o "$dir/alt.kv7" "$big"
  expect_failure "history export ($place)" "$why" \
    "$tool" history --file "$work/Lernverlauf.sqlite" export --csv -o "$dir/verlauf.csv"
  expect_failure "archive print ($place)" "$why" \
    "$tool" archive print --builtin -o "$dir/vorlagen.html"
  if [ $place != gone ]; then
    expect_failure "extract ($place)" "$why" "$tool" archive extract --builtin "$dir/texte"
    leftovers=$(find "$dir" -name '*.tmp*' -o -name 'verlauf.csv' -o -name 'vorlagen.html' | head -n 3)
    [ -z "$leftovers" ] || problem "$place: Reste geschrieben: $leftovers"
  fi
done
[ "$(sha1sum <"$full/alt.kv7")" = "$before_full" ] || problem "das frühere Archiv wurde verändert"
"$tool" archive list "$work/real/alt.kv7" | grep -q '^Archiv: Vorher' || problem "das frühere Archiv (ro) ist nicht lesbar"

# Space freed: the same command now writes the whole archive.
rm -f "$full/filler"
"$tool" archive pack --name Neu -o "$full/alt.kv7" "$big" >/dev/null || problem "pack nach dem Freigeben"
"$tool" archive list "$full/alt.kv7" | grep -q '^Archiv: Neu' || problem "das neue Archiv ist nicht lesbar"

if [ $fail -eq 0 ]; then echo "kvtool auf fehlerhaften Laufwerken: alles in Ordnung"; fi
exit $fail
