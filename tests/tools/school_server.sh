#!/usr/bin/env bash
# A school's file server for the tests: Debian's Samba on the loopback, with a
# share "klassen" for a class, a teacher and learners, and the rights a school
# sets. Everything lives in a scratch folder of the caller's; only the users
# (useradd -M, no home) and the group are made system-wide, once.
#
#   school_server.sh start DIR [LEARNERS]   server up (LEARNERS learner users, default 6);
#                                           prints the server's address
#   school_server.sh stop DIR               ends it by its pid, waits until gone
#   school_server.sh mount DIR MOUNTPOINT USER
#                                           the share through smbnetfs as USER;
#                                           prints the share's folder under MOUNTPOINT
#   school_server.sh unmount MOUNTPOINT
#   school_server.sh drive PREFIX LETTER PATH
#                                           Wine drive LETTER: leads to PATH
#   school_server.sh password USER          the test password of USER
#   school_server.sh address DIR            the server's address (after start)
#
# Users: the teacher "kvlehrer", the learners "kvschueler" (for a test that
# needs one) and "kvschueler1" … "kvschuelerN", all in the group "kvklasse". The share's root belongs to the teacher; folders made
# in it are sticky and writable for the class, files readable only: learners
# hand in beside each other, but none may change or remove the teacher's test
# file or a classmate's hand-in, nor put another file in their place.
#
# May be sourced (then call school_server_main ARGS…) or called. Every failure
# prints the reason in German and English and ends with a status ≠ 0: a test
# that cannot start its server fails with that reason.
set -u

school_fail() {
  echo "Schulserver: $1" >&2
  [ $# -gt 1 ] && echo "School server: $2" >&2
  return 1
}

school_password() { echo "Kv7-${1}-Pw"; }

school_teacher=kvlehrer
school_group=kvklasse
school_share=klassen

school_users() {
  local dir=$1 n
  n=$(cat "$dir/learners" 2>/dev/null || echo 6)
  echo "$school_teacher"
  echo kvschueler
  for ((i = 1; i <= n; i++)); do echo "kvschueler$i"; done
}

school_add_user() {
  local user=$1
  if ! id -u "$user" >/dev/null 2>&1; then
    useradd -M -N -g "$school_group" -s /usr/sbin/nologin "$user" 2>/dev/null ||
      id -u "$user" >/dev/null 2>&1 ||
      { school_fail "Benutzer $user ließ sich nicht anlegen (root?)." "useradd $user failed (not root?)."; return 1; }
  fi
  # The group may have been made after the user by another run.
  id -nG "$user" | tr ' ' '\n' | grep -qx "$school_group" || usermod -a -G "$school_group" "$user"
}

# The address: each server on 127.0.0.N of its own, so that two tests (or a
# test and the benchmark) can run side by side on port 445. An address stays
# its server's while the server is stopped for a while, as long as its folder
# is there: a test that stops its server must get it back at the same place.
school_registry=/tmp/kv-school-servers
school_pick_address() {
  local dir=$1 n owner
  mkdir -p "$school_registry"
  for n in $(seq 20 250); do
    owner=$(cat "$school_registry/127.0.0.$n" 2>/dev/null)
    if [ -n "$owner" ] && [ "$owner" != "$dir" ] && [ -f "$owner/smb.conf" ]; then continue; fi
    if ss -ltnH "( sport = :445 )" 2>/dev/null | awk '{print $4}' | grep -q "^127\.0\.0\.$n:445$"; then
      continue
    fi
    echo "$dir" >"$school_registry/127.0.0.$n"
    echo "127.0.0.$n"
    return 0
  done
  return 1
}

# Alive and not only a zombie nobody has reaped yet.
school_alive() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

school_pid() {
  local dir=$1 f
  for f in "$dir"/run/pid/smbd*.pid; do
    [ -f "$f" ] || continue
    tr -dc '0-9' <"$f"
    return 0
  done
  return 1
}

school_running() {
  local pid
  pid=$(school_pid "$1") || return 1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
    grep -qa -- "$1/smb.conf" "/proc/$pid/cmdline" 2>/dev/null
}

school_start() {
  local dir=${1:?DIR} learners=${2:-}
  [ "$(id -u)" -eq 0 ] || { school_fail "Der Server braucht root (Benutzer anlegen, Port 445)." "needs root."; return 1; }
  local tool
  for tool in smbd smbpasswd smbclient; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
      { school_fail "$tool fehlt (scripts/deps.sh installiert samba und smbclient)." "$tool is missing."; return 1; }
  done
  mkdir -p "$dir" || { school_fail "Ordner $dir nicht anlegbar." "cannot make $dir."; return 1; }
  dir=$(cd "$dir" && pwd)
  if school_running "$dir"; then
    cat "$dir/address"
    return 0
  fi
  # Users, the address and the port are shared with servers started at the
  # same moment by other tests: one start at a time.
  mkdir -p "$school_registry"
  (
    flock -w 120 9 || { school_fail "Ein anderer Serverstart hängt ($school_registry/lock)." "start lock timed out."; exit 1; }
    school_start_locked "$dir" "$learners"
  ) 9>"$school_registry/lock"
}

school_start_locked() {
  local dir=$1 learners=$2 smbd=/usr/sbin/smbd
  command -v smbd >/dev/null && smbd=$(command -v smbd)
  [ -n "$learners" ] && echo "$learners" >"$dir/learners"
  [ -f "$dir/learners" ] || echo 6 >"$dir/learners"
  getent group "$school_group" >/dev/null || groupadd "$school_group" 2>/dev/null ||
    getent group "$school_group" >/dev/null ||
    { school_fail "Gruppe $school_group ließ sich nicht anlegen." "groupadd failed."; return 1; }
  local user
  for user in $(school_users "$dir"); do school_add_user "$user" || return 1; done

  mkdir -p "$dir/run/pid" "$dir/run/lock" "$dir/run/state" "$dir/run/cache" "$dir/run/private" \
    "$dir/run/ncalrpc" "$dir/log" "$dir/share"
  chmod 700 "$dir/run/private"
  # Samba works in the share as the user who is connected: every folder on
  # the way there must let the class through.
  local up=$dir
  while [ "$up" != / ]; do
    if ! setpriv --reuid="$school_teacher" --regid="$school_group" --clear-groups test -x "$up" 2>/dev/null; then
      chmod o+x "$up" 2>/dev/null ||
        { school_fail "Der Ordner $up ist für die Klasse nicht zugänglich." "$up is not traversable."; return 1; }
    fi
    up=$(dirname "$up")
  done
  # The root of the share is the teacher's: only the teacher makes folders in it.
  chown "$school_teacher:$school_group" "$dir/share"
  chmod 0755 "$dir/share"

  local address
  if [ -f "$dir/address" ] && [ "$(cat "$school_registry/$(cat "$dir/address")" 2>/dev/null)" = "$dir" ]; then
    address=$(cat "$dir/address")
  else
    address=$(school_pick_address "$dir") ||
      { school_fail "Keine freie Adresse 127.0.0.N für Port 445." "no free loopback address."; return 1; }
    echo "$address" >"$dir/address"
  fi

  cat >"$dir/smb.conf" <<EOF
[global]
  workgroup = SCHULE
  netbios name = KVSCHULE
  server string = Schulserver fuer Tests
  interfaces = $address/8
  bind interfaces only = yes
  disable netbios = yes
  smb ports = 445
  server role = standalone server
  map to guest = never
  passdb backend = tdbsam:$dir/run/private/passdb.tdb
  pid directory = $dir/run/pid
  lock directory = $dir/run/lock
  state directory = $dir/run/state
  cache directory = $dir/run/cache
  private dir = $dir/run/private
  ncalrpc dir = $dir/run/ncalrpc
  log file = $dir/log/smbd.log
  max log size = 1000
  log level = 1
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  unix charset = UTF-8

[$school_share]
  path = $dir/share
  valid users = $school_teacher @$school_group
  read only = no
  browseable = yes
  # Files: the owner writes, the class reads. Folders: the class writes,
  # and the sticky bit keeps everyone's files their own.
  create mask = 0644
  force create mode = 0644
  directory mask = 0775
  force directory mode = 1775
  force group = $school_group
  inherit owner = no
EOF
  local log="$dir/log/start.log"
  for user in $(school_users "$dir"); do
    local pw
    pw=$(school_password "$user")
    printf '%s\n%s\n' "$pw" "$pw" | smbpasswd -c "$dir/smb.conf" -s -a "$user" >"$log" 2>&1 ||
      { school_fail "smbpasswd für $user: $(tail -n 3 "$log" | tr '\n' ' ')" "smbpasswd for $user failed."; return 1; }
  done
  "$smbd" -s "$dir/smb.conf" -D >"$log" 2>&1 9>&- ||
    { school_fail "smbd startet nicht: $(tail -n 5 "$log" "$dir/log/smbd.log" 2>/dev/null | tr '\n' ' ')" \
        "smbd did not start."; return 1; }
  local i
  for i in $(seq 1 100); do
    if school_running "$dir" &&
      smbclient "//$address/$school_share" -U "$school_teacher%$(school_password "$school_teacher")" \
        -c 'ls' >"$log" 2>&1; then
      echo "$address"
      return 0
    fi
    sleep 0.1
  done
  school_fail "smbd antwortet nicht auf $address: $(tail -n 5 "$log" "$dir/log/smbd.log" 2>/dev/null | tr '\n' ' ')" \
    "smbd does not answer on $address."
}

# The parent and the children that serve the connections, each by pid.
school_stop() {
  local dir=${1:?DIR}
  dir=$(cd "$dir" 2>/dev/null && pwd) || return 0
  local pid
  pid=$(school_pid "$dir") || return 0
  [ -n "$pid" ] || return 0
  school_running "$dir" || return 0
  local pids=("$pid") child
  for child in $(ps -o pid= --ppid "$pid" 2>/dev/null); do pids+=("$child"); done
  kill "${pids[@]}" 2>/dev/null
  local i p alive
  for i in $(seq 1 100); do
    alive=()
    for p in "${pids[@]}"; do school_alive "$p" && alive+=("$p"); done
    [ ${#alive[@]} -eq 0 ] && return 0
    [ "$i" -eq 50 ] && kill -KILL "${alive[@]}" 2>/dev/null
    sleep 0.1
  done
  school_fail "smbd (pid ${alive[*]}) endet nicht." "smbd does not end."
}

school_mount() {
  local dir=${1:?DIR} mountpoint=${2:?MOUNTPOINT} user=${3:?USER}
  command -v smbnetfs >/dev/null ||
    { school_fail "smbnetfs fehlt (scripts/deps.sh installiert es)." "smbnetfs is missing."; return 1; }
  [ -e /dev/fuse ] || { school_fail "/dev/fuse fehlt: FUSE ist hier nicht möglich." "no /dev/fuse."; return 1; }
  dir=$(cd "$dir" && pwd)
  local address
  address=$(cat "$dir/address" 2>/dev/null) ||
    { school_fail "Der Server in $dir wurde nicht gestartet." "server in $dir not started."; return 1; }
  mkdir -p "$mountpoint" || return 1
  mountpoint=$(cd "$mountpoint" && pwd)
  local home="$dir/clients/$user"
  mkdir -p "$home/.smb"
  chmod 700 "$home/.smb"
  # The client's own smb.conf keeps the system's out of it.
  printf '[global]\n  workgroup = SCHULE\n  client min protocol = SMB2\n' >"$home/.smb/smb.conf"
  {
    printf 'auth "%s" "%s"\n' "$user" "$(school_password "$user")"
    printf 'host %s visible=true\n' "$address"
    echo 'smb_query_browsers false'
  } >"$home/.smb/smbnetfs.conf"
  chmod 600 "$home/.smb/smbnetfs.conf"
  local log="$home/smbnetfs.log"
  if mountpoint -q "$mountpoint"; then school_unmount "$mountpoint" || return 1; fi
  HOME="$home" setsid smbnetfs "$mountpoint" -f -o "config=$home/.smb/smbnetfs.conf" \
    >"$log" 2>&1 </dev/null &
  local pid=$!
  echo "$pid" >"$home/smbnetfs.pid"
  echo "$pid" >"$mountpoint.smbnetfs.pid" 2>/dev/null || true
  local share="$mountpoint/$address/$school_share" i
  for i in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      school_fail "smbnetfs endete: $(tail -n 5 "$log" | tr '\n' ' ')" "smbnetfs ended."
      return 1
    fi
    if mountpoint -q "$mountpoint" && ls "$share/" >/dev/null 2>&1; then
      echo "$share"
      return 0
    fi
    sleep 0.1
  done
  school_fail "Die Freigabe $share antwortet nicht: $(tail -n 5 "$log" | tr '\n' ' ')" "share does not answer."
}

school_unmount() {
  local mountpoint=${1:?MOUNTPOINT}
  mountpoint=$(cd "$mountpoint" 2>/dev/null && pwd) || return 0
  local pidfile="$mountpoint.smbnetfs.pid" pid=""
  [ -f "$pidfile" ] && pid=$(tr -dc '0-9' <"$pidfile")
  if mountpoint -q "$mountpoint"; then
    fusermount -u "$mountpoint" 2>/dev/null || umount -l "$mountpoint" 2>/dev/null ||
      { school_fail "$mountpoint lässt sich nicht aushängen." "cannot unmount $mountpoint."; return 1; }
  fi
  if [ -n "$pid" ] && grep -qa smbnetfs "/proc/$pid/cmdline" 2>/dev/null; then
    local i
    for i in $(seq 1 50); do
      school_alive "$pid" || break
      sleep 0.1
    done
    school_alive "$pid" && kill "$pid" 2>/dev/null
  fi
  rm -f "$pidfile"
  return 0
}

school_drive() {
  local prefix=${1:?PREFIX} letter=${2:?LETTER} path=${3:?PATH}
  letter=$(echo "$letter" | tr 'A-Z' 'a-z' | tr -d ':')
  mkdir -p "$prefix/dosdevices" &&
    ln -sfn "$path" "$prefix/dosdevices/$letter:" ||
    { school_fail "Laufwerk $letter: ließ sich nicht anlegen." "cannot make drive $letter:."; return 1; }
}

school_server_main() {
  local cmd=${1:-}
  shift || true
  case $cmd in
    start) school_start "$@" ;;
    stop) school_stop "$@" ;;
    mount) school_mount "$@" ;;
    unmount) school_unmount "$@" ;;
    drive) school_drive "$@" ;;
    password) school_password "$@" ;;
    address) cat "${1:?DIR}/address" ;;
    *)
      echo "Aufruf: school_server.sh start|stop|mount|unmount|drive|password|address …" >&2
      return 2
      ;;
  esac
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  school_server_main "$@"
  exit $?
fi
