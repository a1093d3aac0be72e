// Reads the 8-bit indexed PNG files quarrow-render writes: the indices, row
// by row, and the palette as 768 bytes. Only what that writer produces
// (no interlace, one byte per pixel, no row filters) is accepted.
'use strict';
const fs = require('fs');
const zlib = require('zlib');

function readIndexedPng(file) {
  const data = fs.readFileSync(file);
  let width = 0, height = 0;
  const palette = new Uint8Array(768);
  const idat = [];
  for (let at = 8; at < data.length;) {
    const length = data.readUInt32BE(at);
    const type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[9] !== 3 || body[12] !== 0) throw new Error(file + ': not 8-bit indexed');
    } else if (type === 'PLTE') {
      palette.set(body);
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  // The writer filters no row, so each row is its filter byte 0 and the indices.
  const indices = new Uint8Array(width * height);
  for (let y = 0; y < height; y++) {
    if (raw[y * (width + 1)] !== 0) throw new Error(file + ': filtered rows are not read here');
    indices.set(raw.subarray(y * (width + 1) + 1, (y + 1) * (width + 1)), y * width);
  }
  return { width, height, indices, palette };
}

module.exports = { readIndexedPng };
