// 24-bit uncompressed BMP (the data folder's textures) to RGBA rows, bottom
// row first as the file stores them: what OpenGL takes, so the window's
// texture coordinates apply unchanged.
export function decodeBmp(bytes) {
  const v = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (v.getUint16(0, true) !== 0x4d42) throw new Error('not a BMP file');
  const offset = v.getUint32(10, true), width = v.getInt32(18, true), height = v.getInt32(22, true);
  if (v.getUint16(28, true) !== 24) throw new Error('not a 24-bit BMP file');
  const rows = Math.abs(height), stride = (width * 3 + 3) & ~3;
  const data = new Uint8Array(width * rows * 4);
  for (let y = 0; y < rows; ++y) {
    const src = offset + (height > 0 ? y : rows - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      const o = (y * width + x) * 4, s = src + x * 3;
      data[o] = bytes[s + 2];
      data[o + 1] = bytes[s + 1];
      data[o + 2] = bytes[s];
      data[o + 3] = 255;
    }
  }
  return { width, height: rows, data };
}
