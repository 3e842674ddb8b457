# Sourced by the installer tests: their report lines, a throwaway copy of the
# prepared Wine prefix, and registry reading. Set top and bits (32 or 64)
# before sourcing; work is the test's folder, removed at the end.

failures=0
fail() { echo "FEHLER: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# The prefix the surrounding run prepared (or the project's), copied so the
# installation never touches it; a copy that is out of date is made anew.
if [ "$bits" = 32 ]; then
  source_prefix=${WINEPREFIX:-$top/build/wineprefix32}
else
  source_prefix=${WINEPREFIX:-$top/build/wineprefix}
fi
work=$(mktemp -d "$top/build/installer-test.XXXXXX")
if [ -f "$source_prefix/system.reg" ]; then
  cp -a "$source_prefix" "$work/prefix"
fi

export KV_WINEPREFIX="$work/prefix" KV_WINEPREFIX32="$work/prefix"
source "$top/scripts/wine-env.sh"
if [ "$bits" = 32 ]; then kv_use_prefix32; fi
# Wine would mirror the association and Start-menu entries into the real
# home's desktop menus; this test must leave no trace outside its folder.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap 'kv_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
if [ -z "${DISPLAY:-}" ]; then kv_start_xvfb || exit 1; fi
kv_prepare_prefix || exit 1
wineserver -w
drive_c="$WINEPREFIX/drive_c"

# Where Wine's 32-bit half is installed, "wine reg" is the 32-bit reg.exe;
# the 64-bit program's keys are in the 64-bit view.
view=()
if [ "$bits" = 64 ]; then view=(/reg:64); fi

# The data of one registry value ("" for the default value); fails when absent.
reg_value() {
  local key=$1 name=$2 out
  if [ -z "$name" ]; then
    out=$(wine reg query "$key" /ve "${view[@]}" 2>/dev/null) || return 1
  else
    out=$(wine reg query "$key" /v "$name" "${view[@]}" 2>/dev/null) || return 1
  fi
  printf '%s\n' "$out" | tr -d '\r' | grep -E '  REG_(SZ|EXPAND_SZ|DWORD)  ' | head -n 1 |
    sed -E 's/^.*  REG_(SZ|EXPAND_SZ|DWORD)  +//'
}

# Registry lines that concern the program, key timestamps removed, to compare
# the prefix before installing and after uninstalling.
registry_traces() {
  cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
    grep -aiE 'klavento|kvw|kvk|KVWIN7' | grep -v '^#time' | sed -E 's/^(\[.*\]) [0-9]+$/\1/' | sort
}

# After uninstalling: the registry as registry_traces found it before.
expect_registry_as() {
  local before=$1 after
  wineserver -w
  after=$(registry_traces)
  if [ "$before" = "$after" ]; then ok "Registrierung wie vor der Installation"
  else
    fail "Registrierungsreste:"
    diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") | head -n 20
  fi
}
