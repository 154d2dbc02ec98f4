"""Compares two frames: the mean and the largest channel difference (0..255) and the share of pixels off by more
than 8 in any channel. Prints the figures; exit status 1 beyond a mean of 1.5 or 1 percent of such pixels.
    python3 compare_frames.py a.png b.png"""
import sys

from PIL import Image, ImageChops, ImageStat

a, b = (Image.open(path).convert("RGB") for path in sys.argv[1:3])
if a.size != b.size:
    print(f"sizes differ: {a.size} and {b.size}")
    sys.exit(1)
difference = ImageChops.difference(a, b)
mean = sum(ImageStat.Stat(difference).mean) / 3
largest = max(high for _, high in difference.getextrema())
off = sum(1 for pixel in difference.getdata() if max(pixel) > 8) / (a.size[0] * a.size[1])
print(f"mean difference {mean:.2f}, largest {largest}, pixels off by more than 8: {off:.2%}")
sys.exit(0 if mean < 1.5 and off < 0.01 else 1)
