"""A compound document writer for test fixtures: any number of streams in the root storage,
those under 4096 bytes in the mini stream as the format requires, with their exact sizes."""
import struct

SECT, MINI, CUTOFF = 512, 64, 4096
FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD


def _entry(name, kind, child, right, start, size):
    raw = name.encode("utf-16-le") + b"\0\0"
    e = raw + b"\0" * (64 - len(raw))
    e += struct.pack("<HBB", len(raw), kind, 1)  # black
    e += struct.pack("<III", FREE, right, child)
    e += b"\0" * 36
    return e + struct.pack("<IQ", start, size)


def _chain(first, count):
    return [first + i + 1 if i + 1 < count else END for i in range(count)]


def _sectors(data, size):
    return (len(data) + size - 1) // size


def compound(streams):
    """`streams`: name -> bytes. Returns the whole file (version 3, 512-byte sectors)."""
    # Siblings ordered as the directory's tree orders names: shorter first, then by upper case.
    names = sorted(streams, key=lambda n: (len(n), n.upper()))
    small = [n for n in names if len(streams[n]) < CUTOFF]
    mini, mini_start = b"", {}
    for n in small:
        mini_start[n] = len(mini) // MINI
        data = streams[n]
        mini += data + b"\0" * (-len(data) % MINI)
    minifat = []
    for n in small:
        minifat += _chain(mini_start[n], _sectors(streams[n], MINI))
    minifat_sectors = _sectors(b"\0" * 4 * len(minifat), SECT) if minifat else 0
    dir_sectors = _sectors(b"\0" * 128 * (len(names) + 1), SECT)
    mini_sectors = _sectors(mini, SECT)
    big = [n for n in names if len(streams[n]) >= CUTOFF]
    body = dir_sectors + minifat_sectors + mini_sectors + sum(_sectors(streams[n], SECT) for n in big)
    fat_sectors = 1
    while fat_sectors * 128 < fat_sectors + body:
        fat_sectors += 1
    assert fat_sectors <= 109

    fat = [FATSECT] * fat_sectors
    dir_at = len(fat)
    fat += _chain(dir_at, dir_sectors)
    minifat_at = len(fat)
    fat += _chain(minifat_at, minifat_sectors)
    mini_at = len(fat)
    fat += _chain(mini_at, mini_sectors)
    starts = {n: mini_start[n] for n in small}
    payload = b""
    for n in big:
        starts[n] = len(fat)
        count = _sectors(streams[n], SECT)
        fat += _chain(len(fat), count)
        payload += streams[n] + b"\0" * (-len(streams[n]) % SECT)
    fat += [FREE] * (fat_sectors * 128 - len(fat))

    directory = _entry("Root Entry", 5, 1, FREE, mini_at if mini else END, len(mini))
    for i, n in enumerate(names):
        right = i + 2 if i + 1 < len(names) else FREE
        directory += _entry(n, 2, FREE, right, starts[n], len(streams[n]))
    directory += b"\0" * (dir_sectors * SECT - len(directory))
    minifat_bytes = struct.pack("<%dI" % len(minifat), *minifat)
    minifat_bytes += b"\xff" * (minifat_sectors * SECT - len(minifat_bytes))

    header = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", 0, fat_sectors, dir_at, 0, CUTOFF,
                          minifat_at if minifat_sectors else END, minifat_sectors, END, 0)
    header += struct.pack("<109I", *(list(range(fat_sectors)) + [FREE] * (109 - fat_sectors)))
    mini_bytes = mini + b"\0" * (mini_sectors * SECT - len(mini))
    return (header + struct.pack("<%dI" % len(fat), *fat) + directory + minifat_bytes + mini_bytes
            + payload)
