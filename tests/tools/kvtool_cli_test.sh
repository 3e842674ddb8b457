#!/usr/bin/env bash
# The command line answers --help and --version in German and fails on nonsense.
set -u
tool=$1
fail=0
out=$("$tool" --help) || { echo "--help failed"; fail=1; }
grep -q "Klavento" <<<"$out" || { echo "--help: no product name"; fail=1; }
ver=$("$tool" --version) || { echo "--version failed"; fail=1; }
grep -Eq "^kvtool \(Klavento 7\) [0-9]+\.[0-9]+" <<<"$ver" || { echo "--version: $ver"; fail=1; }
if "$tool" --gibtsnicht >/dev/null 2>&1; then echo "unknown option accepted"; fail=1; fi
exit $fail
