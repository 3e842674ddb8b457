#!/usr/bin/env bash
# The user guide as a web page, built as the build builds it, in headless
# Chromium: at 1100 and at 800 pixels nothing on it may be wider than the
# window (a long line of code, a table, a picture), which would give the page
# a horizontal scroll bar; and no picture may be shown smaller than it is
# where the window has room for it.
#   handbook_width_test.sh SOURCE-FOLDER
set -u
export LC_ALL=C.UTF-8
top=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FEHLER: $*"; fail=1; }

command -v chromium >/dev/null || { echo "FEHLER: chromium fehlt (scripts/deps.sh installiert es)"; exit 1; }

guide=$work/Handbuch
mkdir -p "$guide/bilder"
cp "$top"/docs/bilder/*.png "$guide/bilder/" || { echo "FEHLER: keine Bilder in $top/docs/bilder"; exit 1; }
/usr/bin/python3 "$top/scripts/handbook_html.py" "$top/docs/Benutzerhandbuch.md" "$guide/Benutzerhandbuch.html" ||
  { echo "FEHLER: handbook_html.py scheiterte"; exit 1; }

# The measurement, once every picture is loaded, lands in the title, which
# --dump-dom shows.
cat >"$guide/messen.js" <<'JS'
window.addEventListener('load', function () {
  var page = document.documentElement;
  var room = page.clientWidth - 40;  // the 1em margins and a picture's border
  var wide = [], shrunk = [], missing = [];
  document.querySelectorAll('body *').forEach(function (e) {
    var r = e.getBoundingClientRect();
    if (r.right > page.clientWidth + 0.5 || r.left < -0.5) {
      wide.push(e.tagName + ' ' + Math.round(r.left) + '..' + Math.round(r.right) + ' "' +
                (e.getAttribute('src') || e.textContent).replace(/\s+/g, ' ').slice(0, 40) + '"');
    }
  });
  document.querySelectorAll('img').forEach(function (img) {
    if (!img.complete || img.naturalWidth === 0) missing.push(img.getAttribute('src'));
    else if (img.width < img.naturalWidth && img.naturalWidth <= room) {
      shrunk.push(img.getAttribute('src') + ' ' + img.width + ' statt ' + img.naturalWidth);
    }
  });
  document.title = 'scroll=' + page.scrollWidth + ' client=' + page.clientWidth + ' pictures=' +
                   document.images.length + ' wide=' + wide.slice(0, 5).join('; ') +
                   ' shrunk=' + shrunk.join('; ') + ' missing=' + missing.join('; ');
});
JS
sed 's#</head>#<script src="messen.js"></script></head>#' "$guide/Benutzerhandbuch.html" >"$guide/gemessen.html"
grep -q 'messen.js' "$guide/gemessen.html" || { echo "FEHLER: kein </head> in der Seite"; exit 1; }

flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir="$work/profil" --virtual-time-budget=10000)
for width in 1100 800; do
  title=$(chromium "${flags[@]}" --window-size=$width,900 --dump-dom "file://$guide/gemessen.html" 2>"$work/chromium.log" |
          sed -n 's#.*<title>\(scroll=[^<]*\)</title>.*#\1#p')
  if [ -z "$title" ]; then
    problem "$width px: keine Messung von Chromium: $(tail -n 5 "$work/chromium.log")"
    continue
  fi
  scroll=$(sed -n 's/^scroll=\([0-9]*\) .*/\1/p' <<<"$title")
  client=$(sed -n 's/.* client=\([0-9]*\) .*/\1/p' <<<"$title")
  pictures=$(sed -n 's/.* pictures=\([0-9]*\) .*/\1/p' <<<"$title")
  [ "$client" -gt $((width - 40)) ] || problem "$width px: das Fenster ist nur $client px breit"
  [ "$pictures" -ge 10 ] || problem "$width px: nur $pictures Bilder auf der Seite"
  wide=$(sed -n 's/.* wide=\(.*\) shrunk=.*/\1/p' <<<"$title")
  [ "$scroll" -le "$client" ] || problem "$width px: die Seite ist $scroll px breit, das Fenster $client px; zu breit: $wide"
  shrunk=$(sed -n 's/.* shrunk=\(.*\) missing=.*/\1/p' <<<"$title")
  [ -z "$shrunk" ] || problem "$width px: Bilder kleiner als nötig: $shrunk"
  missing=${title##* missing=}
  [ -z "$missing" ] || problem "$width px: Bilder nicht geladen: $missing"
done

if [ $fail -eq 0 ]; then echo "Benutzerhandbuch bei 1100 und 800 px: nichts breiter als das Fenster"; fi
exit $fail
