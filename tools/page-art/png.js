// Minimal PNG writer (8-bit RGBA, no interlace) on top of node's zlib, and a
// float canvas with premultiplied alpha to paint into.
'use strict';
const zlib = require('zlib');

const CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'ascii');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// rgba: straight (not premultiplied) 8-bit values, width * height * 4 bytes.
function encodePng(width, height, rgba) {
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr[8] = 8;   // bit depth
  ihdr[9] = 6;   // colour type: RGBA
  const stride = width * 4;
  const raw = Buffer.alloc((stride + 1) * height);
  for (let y = 0; y < height; y++) {
    // Filter "Sub" per row: smooth art compresses far better than unfiltered.
    const out = y * (stride + 1);
    raw[out] = 1;
    for (let i = 0; i < stride; i++) {
      const v = rgba[y * stride + i];
      const left = i >= 4 ? rgba[y * stride + i - 4] : 0;
      raw[out + 1 + i] = (v - left) & 0xff;
    }
  }
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', ihdr),
    chunk('IDAT', zlib.deflateSync(raw, { level: 9 })),
    chunk('IEND', Buffer.alloc(0))
  ]);
}

class Canvas {
  constructor(width, height) {
    this.width = width;
    this.height = height;
    this.px = new Float32Array(width * height * 4); // premultiplied, 0..1
  }

  // Paints colour [r, g, b] (0..1) with coverage a over pixel (x, y).
  over(x, y, r, g, b, a) {
    if (a <= 0 || x < 0 || y < 0 || x >= this.width || y >= this.height) return;
    a = Math.min(1, a);
    const i = (y * this.width + x) * 4, p = this.px, k = 1 - a;
    p[i] = r * a + p[i] * k;
    p[i + 1] = g * a + p[i + 1] * k;
    p[i + 2] = b * a + p[i + 2] * k;
    p[i + 3] = a + p[i + 3] * k;
  }

  // Light that adds colour and some opacity (glows, embers).
  add(x, y, r, g, b, a) {
    if (a <= 0 || x < 0 || y < 0 || x >= this.width || y >= this.height) return;
    const i = (y * this.width + x) * 4, p = this.px;
    p[i] = Math.min(1, p[i] + r * a);
    p[i + 1] = Math.min(1, p[i + 1] + g * a);
    p[i + 2] = Math.min(1, p[i + 2] + b * a);
    p[i + 3] = Math.min(1, p[i + 3] + a);
  }

  // Calls fn(x, y) for every pixel centre; fn paints through over/add.
  each(fn) {
    for (let y = 0; y < this.height; y++) for (let x = 0; x < this.width; x++) fn(x + 0.5, y + 0.5, x, y);
  }

  // Multiplies every pixel (colour and alpha) by fn(x, y) in 0..1.
  fade(fn) {
    this.each((fx, fy, x, y) => {
      const k = fn(fx, fy), i = (y * this.width + x) * 4;
      for (let c = 0; c < 4; c++) this.px[i + c] *= k;
    });
  }

  toPng() {
    const out = new Uint8Array(this.width * this.height * 4), p = this.px;
    for (let i = 0; i < out.length; i += 4) {
      const a = Math.min(1, p[i + 3]);
      const un = a > 0 ? 1 / a : 0;
      out[i] = Math.round(Math.min(1, p[i] * un) * 255);
      out[i + 1] = Math.round(Math.min(1, p[i + 1] * un) * 255);
      out[i + 2] = Math.round(Math.min(1, p[i + 2] * un) * 255);
      out[i + 3] = Math.round(a * 255);
    }
    return encodePng(this.width, this.height, out);
  }
}

module.exports = { encodePng, Canvas, crc32 };
