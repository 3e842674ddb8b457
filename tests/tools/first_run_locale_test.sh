#!/usr/bin/env bash
# The first run on a machine without the German locale: scripts/test.sh and
# scripts/start.sh run deps.sh, which makes the locale, and then source
# wine-env.sh, which sets LC_ALL to it. Their shell looked up its own locale
# (C.UTF-8) before the German one existed, and bash must still not warn that it
# cannot change to it.
#
# Runs in a mount namespace of its own over an empty locale folder, so the
# machine's locales stay as they are. Needs root, as deps.sh does; deps.sh
# rewrites /etc/locale.gen unchanged when the line is there already.
#   first_run_locale_test.sh
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "FEHLER: braucht root (ein eigener Mount-Namensraum)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }

# What test.sh does before its Wine stage, in one shell.
cat >"$work/erster-lauf.sh" <<EOF
#!/usr/bin/env bash
if locale -a | grep -qi '^de_DE'; then echo "de_DE gibt es schon vor deps.sh"; exit 2; fi
"$top/scripts/deps.sh" || exit 3
source "$top/scripts/wine-env.sh"
locale -a | grep -qi '^de_DE\.utf-\?8\$' || { echo "de_DE fehlt nach deps.sh"; exit 4; }
echo "Ende erreicht"
EOF

mkdir "$work/locale"
cp -a /usr/lib/locale/C.utf8 "$work/locale/" 2>/dev/null || true
unshare --mount --propagation private bash -c '
  mount --bind "$1/locale" /usr/lib/locale || exit 5
  env -i PATH="$PATH" LANG=C.UTF-8 bash "$1/erster-lauf.sh"
' first_run "$work" >"$work/ausgabe" 2>&1
rc=$?
[ $rc -eq 0 ] || problem "der erste Lauf endete mit $rc: $(tail -n 5 "$work/ausgabe")"
grep -q 'Erzeuge die deutsche Locale' "$work/ausgabe" || problem "deps.sh hat die Locale nicht erzeugt: $(cat "$work/ausgabe")"
grep -q 'Ende erreicht' "$work/ausgabe" || problem "der erste Lauf kam nicht bis zum Ende"
if grep -i 'setlocale\|cannot change locale' "$work/ausgabe"; then
  problem "bash warnt beim ersten Lauf über die Locale"
fi

if [ $fail -eq 0 ]; then echo "Erster Lauf ohne deutsche Locale: keine Warnung"; fi
exit $fail
