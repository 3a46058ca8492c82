#!/usr/bin/env python3
"""Share of a source JPEG's metadata tags that a saved copy keeps with the same value.

    metadata-kept.py [--with-thumbnails] SOURCE_DIR COPY_DIR...

Each COPY_DIR holds copies under the sources' names. Tags are read with
`exiftool -j -G1 -n -a` and compared by group, name and value. Not counted: what
exiftool derives (File, System, Composite, ExifTool groups) and what a stamped,
upright copy must change (orientation, pixel size); nor, unless --with-thumbnails,
the camera's thumbnails, which would show the picture unstamped."""
import json, os, subprocess, sys
from collections import Counter

DERIVED = {'File', 'System', 'ExifTool', 'Composite'}
MUST_CHANGE = {'IFD0:Orientation', 'XMP-tiff:Orientation', 'IFD0:ImageWidth',
               'IFD0:ImageHeight', 'ExifIFD:ExifImageWidth', 'ExifIFD:ExifImageHeight',
               'XMP-exif:ExifImageWidth', 'XMP-exif:ExifImageHeight'}


def is_thumbnail(tag):
    return tag.startswith('IFD1:') or tag == 'JFXX:ThumbnailImage' or \
        tag == 'Photoshop:PhotoshopThumbnail'


def tags(path, thumbnails):
    out = subprocess.run(['exiftool', '-j', '-G1', '-n', '-a', path],
                         capture_output=True, check=True).stdout
    pairs = json.loads(out, object_pairs_hook=lambda p: p)[0]
    return Counter((tag, json.dumps(value, sort_keys=True)) for tag, value in pairs
                   if tag != 'SourceFile' and tag.split(':')[0] not in DERIVED
                   and tag not in MUST_CHANGE and (thumbnails or not is_thumbnail(tag)))


def main(args):
    thumbnails = '--with-thumbnails' in args
    args = [a for a in args if a != '--with-thumbnails']
    if len(args) < 2:
        sys.exit(__doc__)
    sources, copies = args[0], args[1:]
    totals = [[0, 0] for _ in copies]
    cell = lambda kept, n: '%4d %6.1f %%' % (kept, 100.0 * kept / n if n else 100.0)
    print('%-22s %5s ' % ('file', 'tags') +
          ' '.join('%14s' % os.path.basename(c.rstrip('/'))[:14] for c in copies))
    for name in sorted(os.listdir(sources)):
        if not name.lower().endswith(('.jpg', '.jpeg')):
            continue
        source = tags(os.path.join(sources, name), thumbnails)
        n = sum(source.values())
        row = []
        for total, copy in zip(totals, copies):
            kept = sum((source & tags(os.path.join(copy, name), thumbnails)).values())
            total[0] += kept
            total[1] += n
            row.append(cell(kept, n))
        print('%-22s %5d ' % (name, n) + ' '.join('%14s' % r for r in row))
    print('%-22s %5d ' % ('overall', totals[0][1]) +
          ' '.join('%14s' % cell(k, t) for k, t in totals))


if __name__ == '__main__':
    main(sys.argv[1:])
