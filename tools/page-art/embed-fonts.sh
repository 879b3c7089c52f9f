#!/usr/bin/env bash
# Embeds the page's two typefaces into page/style.css as WOFF2 data, cut down
# to the letters the page's languages need, so the launcher carries no font
# files. Needs the Debian packages fonts-inter, fonts-ebgaramond,
# python3-fonttools and python3-brotli. Rewrites everything after the
# "@embedded-fonts" marker line of style.css.
set -euo pipefail
cd "$(dirname "$0")/../.."
css=page/style.css
marker='/* @embedded-fonts */'
grep -qxF "$marker" "$css" || { echo "no marker line in $css" >&2; exit 1; }

# Latin with Latin Extended-A (Lithuanian and neighbours), Cyrillic, and the
# punctuation the texts use (dashes, quotes, ellipsis, middle dot, arrows).
ranges='U+0020-007E,U+00A0-017F,U+0400-045F,U+0490-0491,U+2013-2014,U+2018-201E,U+2022,U+2026,U+2039-203A,U+20AC,U+2116,U+2122,U+2190-2193,U+2212'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

face() {  # family weight source-file layout-features
  /usr/bin/python3 -m fontTools.subset "$3" --unicodes="$ranges" --layout-features="$4" \
    --name-IDs='*' --flavor=woff2 --output-file="$work/f.woff2" 2>/dev/null
  printf '@font-face {\n  font-family: "%s";\n  font-weight: %s;\n  font-display: block;\n  unicode-range: %s;\n  src: url("data:font/woff2;base64,%s") format("woff2");\n}\n' \
    "$1" "$2" "$ranges" "$(base64 -w0 "$work/f.woff2")"
}

inter=/usr/share/fonts/opentype/inter
garamond=/usr/share/fonts/opentype/ebgaramond
{
  sed "/^$(printf '%s' "$marker" | sed 's/[]\/$*.^[]/\\&/g')\$/q" "$css"
  face Inter 400 "$inter/Inter-Regular.otf" 'kern,liga,calt,tnum,case'
  face Inter 600 "$inter/Inter-SemiBold.otf" 'kern,liga,calt,tnum,case'
  face "EB Garamond" 400 "$garamond/EBGaramond12-Regular.otf" 'kern,liga,lnum,tnum,case'
} >"$work/style.css"
mv "$work/style.css" "$css"
echo "fonts embedded: $(wc -c <"$css") bytes in $css"
