// A great sword standing point down, its fuller glowing like embers. Drawn in
// its own coordinates: x = 0 is the blade's axis, the pommel's top is at
// y = 52, the cross-guard at y = 194 and the point at y = 775.
'use strict';
const S = require('./shapes');

const GUARD = [[-86, 170], [-54, 185], [-22, 182], [0, 170], [22, 182], [54, 185], [86, 170],
  [78, 191], [36, 206], [0, 216], [-36, 206], [-78, 191]];
const BLADE = [[-29, 206], [29, 206], [25, 640], [0, 775], [-25, 640]];
const POMMEL_TIP = [[-7, 62], [0, 44], [7, 62]];

function bladeHalfWidth(y) {
  if (y < 640) return S.mix(29, 25, (y - 206) / 434);
  return Math.max(0.01, 25 * (775 - y) / 135);
}

// Distances to each part at design point (x, y).
function parts(x, y) {
  return {
    blade: S.polygon(x, y, BLADE),
    guard: S.polygon(x, y, GUARD),
    grip: S.roundBox(x, y, 0, 128, 11, 48, 5),
    pommel: Math.min(S.circle(x, y, 0, 76, 17), S.polygon(x, y, POMMEL_TIP)),
    guardGem: S.circle(x, y, 0, 194, 10),
    pommelGem: S.circle(x, y, 0, 76, 6.5)
  };
}

// look: { metal: [dark, light], steel: [dark, light], outline, heat (0..1),
//         glow (0..1), gem } with colours as [r, g, b] in 0..1.
function paintSword(canvas, look, ox, oy, scale) {
  const px = 1 / scale; // one output pixel in design units
  canvas.each((fx, fy, x, y) => {
    const dx = (fx - ox) / scale, dy = (fy - oy) / scale;
    const d = parts(dx, dy);
    const cov = (dist) => S.coverage(dist / px);
    const ember = [1, 0.46, 0.12];

    // Heat around the blade and the guard, behind everything else.
    if (look.glow > 0) {
      const near = Math.max(0, Math.min(d.blade, d.guard, d.grip));
      const fade = 1 - S.smooth(220, 760, dy);
      const g = look.glow * (0.42 * Math.exp(-near / 18) * fade + 0.5 * Math.exp(-Math.hypot(dx, dy - 194) / 64));
      canvas.add(x, y, ember[0], ember[1], ember[2], g * 0.55);
    }

    // Silhouette outline first, so every part gets a crisp dark edge.
    const all = Math.min(d.blade, d.guard, d.grip, d.pommel);
    canvas.over(x, y, look.outline[0], look.outline[1], look.outline[2], cov(all - 1.6 * px));

    // Blade: bevelled steel, edges heated, the fuller a line of embers.
    if (d.blade < px) {
      const half = bladeHalfWidth(dy);
      const u = S.clamp(dx / half, -1, 1);
      const bevel = u < 0 ? 0.78 + 0.22 * (1 + u) : 0.5 + 0.3 * (1 - u);
      let c = S.mix3(look.steel[0], look.steel[1], bevel * (0.85 + 0.15 * (1 - dy / 775)));
      const edge = Math.exp(d.blade / 3.2);
      c = S.mix3(c, ember, look.heat * edge * 0.85);
      const fuller = 1 - S.smooth(2.5, 5, Math.abs(dx));
      if (dy > 222 && dy < 600 && fuller > 0) {
        const along = 1 - S.smooth(300, 600, dy);
        const hot = S.mix3([0.55, 0.12, 0.04], [1, 0.78, 0.42], along);
        c = S.mix3(c, look.heat > 0 ? hot : look.outline, fuller * (look.heat > 0 ? 0.95 : 0.55));
      }
      canvas.over(x, y, c[0], c[1], c[2], cov(d.blade));
    }

    // Grip: dark leather wrapped at a slant.
    if (d.grip < px) {
      const wrap = 0.5 + 0.5 * Math.sin((dy + dx * 0.8) * 0.75);
      const c = S.mix3([0.12, 0.07, 0.05], [0.36, 0.22, 0.14], wrap * 0.7 + 0.3 * (1 - Math.abs(dx) / 11));
      canvas.over(x, y, c[0], c[1], c[2], cov(d.grip));
    }

    // Cross-guard and pommel: worked bronze, lit from above.
    for (const name of ['guard', 'pommel']) {
      if (d[name] >= px) continue;
      const top = name === 'guard' ? 170 : 44, bottom = name === 'guard' ? 216 : 94;
      const t = S.clamp((dy - top) / (bottom - top), 0, 1);
      let c = S.mix3(look.metal[1], look.metal[0], t);
      c = S.mix3(c, look.metal[0], S.clamp(1 + d[name] / 4, 0, 1) * 0.6);
      canvas.over(x, y, c[0], c[1], c[2], cov(d[name]));
    }

    // Gems: a hot core fading to a dark rim.
    for (const name of ['guardGem', 'pommelGem']) {
      if (d[name] >= px) continue;
      const r = name === 'guardGem' ? 10 : 6.5;
      const t = S.clamp(1 + d[name] / r, 0, 1);
      const c = S.mix3(look.gem[0], look.gem[1], t * t);
      canvas.over(x, y, c[0], c[1], c[2], cov(d[name]));
    }
  });
}

module.exports = { paintSword };
