#!/usr/bin/env bash
# A drive for the Windows tests that fills up, turns read-only or vanishes,
# as school server drives do. The tests run inside Wine and cannot mount, so
# they call this script (as root, like the test command) one step at a time:
#
#   failing_disk.sh STEP DIR LETTER
#
#   tmpfs     a 400 KB tmpfs at DIR/drive, mapped to drive LETTER:
#   bind      DIR/real bind-mounted at DIR/drive, mapped to LETTER:
#   fill      fills the tmpfs to the last block
#   free      removes the filling
#   readonly  remounts the bind mount read-only
#   writable  and writable again
#   vanish    unmounts the drive and removes its folder: LETTER: leads nowhere
#   return    brings the bind mount back, with what it held
#   teardown  unmounts, removes the drive letter and DIR
#
# Each step ends by writing DIR.state/STEP.done, or DIR.state/STEP.failed with
# the reason, which the test waits for and reports: a refused mount fails the
# test, it never passes quietly.
set -u
step=$1 dir=$2 letter=${3:-k}
state="$dir.state"
drive="$dir/drive"
link="${WINEPREFIX:?WINEPREFIX is not set}/dosdevices/$letter:"
mkdir -p "$state"
rm -f "$state/$step.done" "$state/$step.failed"
log="$state/$step.log"

fail() {
  { echo "$1"; cat "$log" 2>/dev/null; } >"$state/$step.failed"
  exit 1
}

case $step in
  tmpfs)
    mkdir -p "$drive" || fail "mkdir $drive"
    mount -t tmpfs -o size=400k tmpfs "$drive" >"$log" 2>&1 || fail "mount -t tmpfs wurde verweigert (root?)"
    mkdir -p "$drive/Lernverlauf" && ln -sfn "$drive" "$link" || fail "Laufwerk $letter: nicht angelegt"
    ;;
  bind)
    mkdir -p "$drive" "$dir/real/Lernverlauf" || fail "mkdir"
    mount --bind "$dir/real" "$drive" >"$log" 2>&1 || fail "mount --bind wurde verweigert (root?)"
    ln -sfn "$drive" "$link" || fail "Laufwerk $letter: nicht angelegt"
    ;;
  fill)
    dd if=/dev/zero of="$drive/filler" bs=1k >"$log" 2>&1
    [ "$(df --output=avail -k "$drive" | tail -n 1 | tr -d ' ')" = 0 ] || fail "nicht voll geworden"
    ;;
  free)
    rm -f "$drive/filler" || fail "rm"
    ;;
  readonly)
    mount -o remount,ro,bind "$drive" >"$log" 2>&1 || fail "remount,ro wurde verweigert"
    ;;
  writable)
    mount -o remount,rw,bind "$drive" >"$log" 2>&1 || fail "remount,rw wurde verweigert"
    ;;
  vanish)
    umount -l "$drive" >"$log" 2>&1 || fail "umount wurde verweigert"
    rmdir "$drive" || fail "rmdir $drive"
    ;;
  return)
    mkdir -p "$drive" && mount --bind "$dir/real" "$drive" >"$log" 2>&1 || fail "mount --bind wurde verweigert"
    ;;
  teardown)
    while mountpoint -q "$drive" 2>/dev/null; do umount -l "$drive" || break; done
    rm -f "$link"
    rm -rf "$dir"
    ;;
  *)
    fail "unbekannter Schritt $step"
    ;;
esac
touch "$state/$step.done"
