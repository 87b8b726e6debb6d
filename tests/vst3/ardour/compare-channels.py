"""Checks that a 32-bit float stereo WAV file has the same samples, bit for
bit, on its left and right channels, and that they are not silent."""
import struct
import sys

path = sys.argv[1]
data = open(path, "rb").read()
if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
    sys.exit(f"FAIL: {path} is no WAV file")
pos, fmt, samples = 12, None, None
while pos + 8 <= len(data):
    cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
    body = data[pos + 8:pos + 8 + size]
    if cid == b"fmt ":
        fmt = struct.unpack("<HHIIHH", body[:16])
    elif cid == b"data":
        samples = body
    pos += 8 + size + (size & 1)
if not fmt or samples is None:
    sys.exit(f"FAIL: {path} lacks fmt or data")
code, channels, rate, _, _, bits = fmt
if channels != 2 or bits != 32 or code not in (3, 0xFFFE):
    sys.exit(f"FAIL: {path} is not 32-bit float stereo ({fmt})")
frames = len(samples) // 8
words = struct.unpack(f"<{frames * 2}I", samples[:frames * 8])
left, right = words[0::2], words[1::2]
diff = next((i for i in range(frames) if left[i] != right[i]), None)
peak = max(abs(v) for v in struct.unpack(f"<{frames * 2}f", samples[:frames * 8])[0::2])
print(f"{path.split('/')[-1]}: {frames} frames at {rate} Hz, peak {peak:.4f}, "
      f"first left/right difference: {'none' if diff is None else diff}")
if diff is not None:
    sys.exit("FAIL: the VST3 render differs from the VST 2.4 render")
if peak == 0.0:
    sys.exit("FAIL: silent render")
