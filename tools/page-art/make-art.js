#!/usr/bin/env node
// Paints the page's pictures: page/logo.png and, for the "ember" theme, its
// logo and the two sword pictures that reach above the window. Letters come
// from EB Garamond (Debian package fonts-ebgaramond) through ImageMagick's
// /usr/bin/convert; everything else is painted here. Same output every run.
//
//   node tools/page-art/make-art.js
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { Canvas } = require('./png');
const S = require('./shapes');
const { paintSword } = require('./sword');
const { paintCrest } = require('./crest');

const ROOT = path.join(__dirname, '..', '..', 'page');
const FONT = '/usr/share/fonts/opentype/ebgaramond/EBGaramond12-Regular.otf';

// ------------------------------------------------------------------ letters

// White-on-black letters as a coverage mask {width, height, a: Float32Array}.
function letters(text, size, spacing) {
  const pgm = execFileSync('/usr/bin/convert', ['-background', 'black', '-fill', 'white', '-font', FONT,
    '-pointsize', String(size), '-kerning', String(spacing), 'label:' + text, '-trim', '+repage', '-depth', '8', 'pgm:-']);
  const head = pgm.toString('latin1', 0, 40).match(/^P5\s+(\d+)\s+(\d+)\s+(\d+)\s/);
  const width = +head[1], height = +head[2], start = head[0].length;
  const a = new Float32Array(width * height);
  for (let i = 0; i < a.length; i++) a[i] = pgm[start + i] / 255;
  return { width, height, a };
}

function maskAt(m, x, y) {
  return x < 0 || y < 0 || x >= m.width || y >= m.height ? 0 : m.a[y * m.width + x];
}

// The mask grown by radius r (a round brush), for outlines and shadows.
function grow(m, r) {
  const out = { width: m.width, height: m.height, a: new Float32Array(m.a.length) };
  const reach = Math.ceil(r);
  for (let y = 0; y < m.height; y++) {
    for (let x = 0; x < m.width; x++) {
      let best = 0;
      for (let j = -reach; j <= reach; j++) {
        for (let i = -reach; i <= reach; i++) {
          const w = S.clamp(r + 0.5 - Math.hypot(i, j), 0, 1);
          if (w > 0) best = Math.max(best, maskAt(m, x + i, y + j) * w);
        }
      }
      out.a[y * m.width + x] = best;
    }
  }
  return out;
}

// Paints text at (ox, oy): a soft shadow or glow, a dark outline, then the
// letters filled with a vertical gradient of colour stops [[t, [r,g,b]], ...].
function paintLetters(canvas, m, ox, oy, look) {
  const edge = grow(m, look.outlineWidth);
  const halo = grow(m, look.haloWidth);
  canvas.each((fx, fy, x, y) => {
    const mx = x - ox, my = y - oy;
    let h = 0;
    for (let j = -2; j <= 2; j++) for (let i = -2; i <= 2; i++) h += maskAt(halo, mx + i * 2, my + j * 2 - look.haloDrop);
    canvas.over(x, y, look.halo[0], look.halo[1], look.halo[2], (h / 25) * look.haloAlpha);
    canvas.over(x, y, look.outline[0], look.outline[1], look.outline[2], maskAt(edge, mx, my));
    const a = maskAt(m, mx, my);
    if (a <= 0) return;
    const t = S.clamp(my / m.height, 0, 1);
    let c = look.fill[0][1];
    for (let k = 1; k < look.fill.length; k++) {
      const [t0, c0] = look.fill[k - 1], [t1, c1] = look.fill[k];
      if (t >= t0 && t <= t1) c = S.mix3(c0, c1, (t - t0) / (t1 - t0));
      else if (t > t1) c = c1;
    }
    canvas.over(x, y, c[0], c[1], c[2], a);
  });
}

// ------------------------------------------------------------------ logos

// A diamond crest holding the sword, then the word mark and its sub-line.
function paintLogo(look) {
  const word = letters('ZARVO', 104, 10);
  const sub = letters('INTERLUDE', 25, 11);
  const canvas = new Canvas(172 + word.width + 14, 156);
  paintCrest(canvas, look, 74, 78, 72);

  paintLetters(canvas, word, 172, 26, look.word);
  const subX = 172 + Math.round((word.width - sub.width) / 2), subY = 26 + word.height + 15;
  paintLetters(canvas, sub, subX, subY, look.sub);
  canvas.each((fx, fy, x, y) => {
    const gap = 14, line = Math.abs(fy - (subY + sub.height / 2)) < 0.75;
    if (!line) return;
    const left = fx > 176 && fx < subX - gap, right = fx > subX + sub.width + gap && fx < 172 + word.width - 4;
    if (left || right) canvas.over(x, y, look.sub.fill[1][1][0], look.sub.fill[1][1][1], look.sub.fill[1][1][2], 0.8);
  });
  return canvas;
}

const hex = S.hex;
const BRONZE = [hex('#6e4318'), hex('#f2c987')];

const CLASSIC_LOGO = {
  rim: [hex('#2a1408'), hex('#d9a65c')],
  field: [hex('#c0182f'), hex('#4a0712')],
  fieldGlow: [1, 0.5, 0.4],
  sword: { metal: BRONZE, steel: [hex('#5d5a5c'), hex('#f4efe9')], outline: hex('#1a0a06'),
    heat: 0, glow: 0, gem: [hex('#5c0410'), hex('#ff6b6b')] },
  word: { outlineWidth: 2.6, outline: hex('#1c0c06'), haloWidth: 3, halo: [0, 0, 0], haloAlpha: 0.35, haloDrop: -3,
    fill: [[0, hex('#fff1cf')], [0.45, hex('#e6b56a')], [0.62, hex('#b8803a')], [1, hex('#f1cc8a')]] },
  sub: { outlineWidth: 1.6, outline: hex('#1c0c06'), haloWidth: 1, halo: [0, 0, 0], haloAlpha: 0, haloDrop: 0,
    fill: [[0, hex('#e8c48c')], [1, hex('#d8ab68')]] }
};

const EMBER_LOGO = {
  rim: [hex('#1a0a04'), hex('#ff9a3c')],
  field: [hex('#3a1408'), hex('#120604')],
  fieldGlow: [1, 0.42, 0.1],
  sword: { metal: BRONZE, steel: [hex('#2b2527'), hex('#8d8682')], outline: hex('#120805'),
    heat: 1, glow: 0.6, gem: [hex('#8a1c04'), hex('#ffe7a6')] },
  word: { outlineWidth: 2.6, outline: hex('#160804'), haloWidth: 4, halo: [1, 0.42, 0.08], haloAlpha: 0.5, haloDrop: 0,
    fill: [[0, hex('#fff3c4')], [0.4, hex('#ffb347')], [0.7, hex('#e8621c')], [1, hex('#ff9a3c')]] },
  sub: { outlineWidth: 1.6, outline: hex('#160804'), haloWidth: 1, halo: [0, 0, 0], haloAlpha: 0, haloDrop: 0,
    fill: [[0, hex('#ffc27a')], [1, hex('#f0944a')]] }
};

// ------------------------------------------------------------------ ember pictures

// Flames licking up from the cross-guard around the grip, and sparks rising
// from it: the part above the window's top edge (y < 150) is the show.
function paintArt(dark) {
  const width = 270, height = 800, axis = 100;
  const canvas = new Canvas(width, height);
  canvas.each((fx, fy, x, y) => {
    const dx = fx - axis, rise = 194 - fy;
    if (rise < -30 || rise > 230) return;
    const spread = 22 + Math.max(rise, 0) * 0.32;
    const shape = Math.exp(-(dx * dx) / (2 * spread * spread)) * Math.exp(-Math.max(rise, 0) / 110) *
      S.smooth(-30, 8, rise);
    const warp = S.fbm(fx * 0.018, fy * 0.012);
    const n = S.fbm(fx * 0.05 + warp * 1.6, fy * 0.028 + warp * 3.2);
    const f = S.clamp((n - 0.3) * 2.6, 0, 1) * shape;
    if (f <= 0.01) return;
    const c = f < 0.5 ? S.mix3([0.55, 0.06, 0.02], [1, 0.42, 0.08], f * 2) : S.mix3([1, 0.42, 0.08], [1, 0.86, 0.5], (f - 0.5) * 2);
    if (dark) canvas.add(x, y, c[0], c[1], c[2], f * 0.95);
    else canvas.over(x, y, c[0] * 0.95, c[1] * 0.7, c[2] * 0.5, f * 0.4);
  });

  const look = dark ?
    { metal: BRONZE, steel: [hex('#231d20'), hex('#6c6462')], outline: hex('#0c0605'), heat: 1, glow: 1,
      gem: [hex('#8a1c04'), hex('#fff1b8')] } :
    { metal: BRONZE, steel: [hex('#7d7671'), hex('#f3eee8')], outline: hex('#2e2019'), heat: 0.35, glow: 0.35,
      gem: [hex('#7a1806'), hex('#ffb15a')] };
  paintSword(canvas, look, axis, 0, 1);
  paintSparks(canvas, axis, dark);
  // Glow and smoke thin out before the picture's edges, so its box never shows.
  canvas.fade((x, y) => S.smooth(0, 28, x) * S.smooth(0, 28, width - x) * S.smooth(0, 40, y));
  return canvas;
}

function paintSparks(canvas, axis, dark) {
  const rnd = S.random(7);
  const sparks = [];
  for (let i = 0; i < 120; i++) {
    const rise = Math.pow(rnd(), 1.5) * 320;
    const side = (rnd() + rnd() + rnd() - 1.5) * (26 + rise * 0.5);
    sparks.push({ x: axis + side, y: 190 - rise, r: 0.6 + Math.pow(rnd(), 3) * 2.2, b: 0.45 + rnd() * 0.55 });
  }
  for (let i = 0; i < 36; i++) {
    const y = 230 + rnd() * 360;
    const off = 32 + rnd() * 26;
    sparks.push({ x: axis + (rnd() < 0.5 ? -off : off), y, r: 0.5 + rnd() * 1.2, b: 0.3 + rnd() * 0.4 });
  }
  for (const s of sparks) {
    const reach = Math.ceil(s.r * 6);
    for (let y = Math.floor(s.y) - reach; y <= s.y + reach; y++) {
      for (let x = Math.floor(s.x) - reach; x <= s.x + reach; x++) {
        const d = Math.hypot(x + 0.5 - s.x, y + 0.5 - s.y);
        const core = S.coverage(d - s.r);
        const glow = Math.exp(-d / (s.r * 1.7)) * 0.55;
        if (dark) {
          canvas.add(x, y, 1, 0.45, 0.1, glow * s.b);
          canvas.add(x, y, 1, 0.9, 0.62, core * s.b);
        } else {
          canvas.over(x, y, 0.95, 0.45, 0.1, glow * s.b * 0.6);
          canvas.over(x, y, 0.85, 0.3, 0.04, core * s.b);
        }
      }
    }
  }
}

// ------------------------------------------------------------------ output

function write(rel, canvas) {
  const file = path.join(ROOT, rel);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  const png = canvas.toPng();
  fs.writeFileSync(file, png);
  console.log(`${rel}: ${canvas.width} × ${canvas.height}, ${png.length} bytes`);
}

// The program's icon (make-icon.js) wears the classic logo's crest.
module.exports = { CLASSIC_LOGO };

if (require.main === module) {
  write('logo.png', paintLogo(CLASSIC_LOGO));
  write('themes/ember/logo.png', paintLogo(EMBER_LOGO));
  write('themes/ember/art-dark.png', paintArt(true));
  write('themes/ember/art-light.png', paintArt(false));
}
