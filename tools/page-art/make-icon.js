#!/usr/bin/env node
// Paints the program's icon, the classic logo's crest, at 256 pixels and has
// ImageMagick's /usr/bin/convert make resources/launcher.ico from it with the
// sizes Windows asks for (16 to 256; the small ones resampled from the large).
// Same output every run.
//
//   node tools/page-art/make-icon.js
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const { Canvas } = require('./png');
const { paintCrest } = require('./crest');
const { CLASSIC_LOGO } = require('./make-art');

const OUT = path.join(__dirname, '..', '..', 'resources', 'launcher.ico');
const SIZE = 256;

const canvas = new Canvas(SIZE, SIZE);
// The logo's crest (r 72) with its shadow reaches 82 from the centre; 1.5 times
// that just fits the square.
paintCrest(canvas, CLASSIC_LOGO, SIZE / 2, SIZE / 2, 108);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zv-icon-'));
try {
  const png = path.join(work, 'icon.png');
  fs.writeFileSync(png, canvas.toPng());
  // -strip keeps time stamps out, so that the same art gives the same file.
  execFileSync('/usr/bin/convert', [png, '-strip', '-define', 'icon:auto-resize=256,128,64,48,32,24,16', OUT]);
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
console.log(`resources/launcher.ico: ${fs.statSync(OUT).size} bytes`);
