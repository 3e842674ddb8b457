#!/usr/bin/env bash
# The command line answers --help and --version in German and fails on nonsense.
set -u
tool=$1
fail=0
out=$("$tool" --help) || { echo "--help failed"; fail=1; }
grep -q "Klavento" <<<"$out" || { echo "--help: no product name"; fail=1; }
ver=$("$tool" --version) || { echo "--version failed"; fail=1; }
grep -Eq "^kvtool \(Klavento 7\) [0-9]+\.[0-9]+" <<<"$ver" || { echo "--version: $ver"; fail=1; }
if err=$("$tool" --gibtsnicht 2>&1); then echo "unknown option accepted"; fail=1; fi
grep -q "^kvtool: Unerwartete Angabe: --gibtsnicht" <<<"$err" || { echo "unknown option: $err"; fail=1; }
if err=$("$tool" archive pack -o 2>&1); then echo "missing value accepted"; fail=1; fi
grep -q "^kvtool: Zu --output fehlt der Wert" <<<"$err" || { echo "missing value: $err"; fail=1; }
# No English from the parser, in any help.
for args in "--help" "archive --help" "archive pack --help" "evaluate --help" "result export --help" \
    "history --help" "history export --help"; do
  out=$("$tool" $args 2>&1)
  if grep -Eq "Usage|Options|Subcommands|REQUIRED|Run with|Display program" <<<"$out"; then
    echo "English in kvtool $args:"; echo "$out"; fail=1
  fi
done
# A history that is not there is named, not silently created.
missing=$(mktemp -u)
if err=$("$tool" history --file "$missing" show 2>&1); then echo "missing history accepted"; fail=1; fi
grep -q "gibt es nicht" <<<"$err" || { echo "missing history: $err"; fail=1; }
[ ! -e "$missing" ] || { echo "kvtool history created $missing"; fail=1; }
exit $fail
