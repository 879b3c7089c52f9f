// The crest of the logos and of the program's icon: a diamond with a rim and
// a glowing field, holding the sword point down. Drawn at any size: r is the
// diamond's half-diagonal, and every width scales with it (the logo's crest
// has r = 72).
'use strict';
const S = require('./shapes');
const { paintSword } = require('./sword');

function paintCrest(canvas, look, cx, cy, r) {
  const k = r / 72;
  canvas.each((fx, fy, x, y) => {
    const d = (Math.abs(fx - cx) + Math.abs(fy - cy) - r) / Math.SQRT2;
    if (d > 10 * k) return;
    canvas.over(x, y, 0, 0, 0, S.coverage(d - 6 * k) * 0.35);
    canvas.over(x, y, look.rim[0][0], look.rim[0][1], look.rim[0][2], S.coverage(d));
    const t = S.clamp((fy - (cy - r)) / (2 * r), 0, 1);
    canvas.over(x, y, look.rim[1][0], look.rim[1][1], look.rim[1][2], S.coverage(d + 3 * k) * (1 - t * 0.5));
    const inner = S.mix3(look.field[0], look.field[1], t);
    canvas.over(x, y, inner[0], inner[1], inner[2], S.coverage(d + 5.5 * k));
    canvas.add(x, y, look.fieldGlow[0], look.fieldGlow[1], look.fieldGlow[2],
      S.coverage(d + 5.5 * k) * 0.5 * Math.exp(-Math.hypot(fx - cx, fy - cy + 4 * k) / (26 * k)));
  });
  const scale = 0.168 * k;
  paintSword(canvas, look.sword, cx, cy - 409 * scale, scale);
}

module.exports = { paintCrest };
