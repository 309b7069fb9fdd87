#!/usr/bin/env python3
"""Writes pack_vectors.vec: known answers for the pack archive reader,
computed apart from the project's code.

Digests come from Python's hashlib, AES from the openssl command, and the
range coder, the run-length stage, move-to-front and the Burrows-Wheeler
transform are written out below from the format's description. Each
stream is decoded again here by an equally plain decoder before it is
written, so the file holds nothing this script could not read back.

    python3 tests/files/data/make_pack_vectors.py > tests/files/data/pack_vectors.vec
"""
import hashlib
import subprocess


def fold(digest, length):
    """XORs a digest cyclically into `length` bytes."""
    out = bytearray(length)
    for i, byte in enumerate(digest):
        out[i % length] ^= byte
    return bytes(out)


def derive(material):
    return fold(hashlib.sha256(material).digest(), 16)


def aes(mode, key, iv, data):
    return subprocess.run(
        ["openssl", "enc", "-aes-128-" + mode, "-K", key.hex(), "-iv", iv.hex(), "-nopad"],
        input=data, capture_output=True, check=True).stdout


# ---- Range coder ------------------------------------------------------

TOTAL = 4096


def cumulative(freq):
    cum, total = {}, 0
    for symbol in range(256):
        cum[symbol] = total
        total += freq.get(symbol, 0)
    assert total == TOTAL
    return cum


def range_encode(symbols, freq):
    """The code bytes of one block, exact in big integers: the final
    interval's low end, as many bytes as the decoder will read."""
    cum = cumulative(freq)
    low, width, shifts = 0, 0xC0000000, 0
    for s in symbols:
        r = width >> 12
        low += r * cum[s]
        width = r * freq[s]
        while width < 1 << 24:
            low <<= 8
            width <<= 8
            shifts += 1
    return low.to_bytes(4 + shifts, "big")


def frequency_bytes(f):
    return bytes([0x80 | f]) if f < 0x80 else bytes([f & 0x7F, f >> 7])


def range_block(symbols, freq, form, last=True):
    out = len(symbols).to_bytes(4, "little") + bytes([form | (0 if last else 0x80)])
    if form == 1:
        pairs = sorted(freq.items(), reverse=True)  # any order will do
        out += bytes([len(pairs)])
        for symbol, f in pairs:
            out += bytes([symbol]) + frequency_bytes(f)
    else:
        out += b"".join(frequency_bytes(freq.get(s, 0)) for s in range(256))
    return out + range_encode(symbols, freq)


def scaled_frequencies(data):
    """Counts scaled to add up to 4096, each used symbol at least 1."""
    counts = {}
    for b in data:
        counts[b] = counts.get(b, 0) + 1
    freq = {s: max(1, c * TOTAL // len(data)) for s, c in counts.items()}
    top = max(freq, key=lambda s: freq[s])
    freq[top] += TOTAL - sum(freq.values())
    return freq


def range_decode(stream):
    """Decodes a stream of range-coded blocks, as the format says."""
    pos, out = 0, bytearray()
    while True:
        n = int.from_bytes(stream[pos:pos + 4], "little")
        header = stream[pos + 4]
        pos += 5
        freq = {}

        def frequency():
            nonlocal pos
            f = stream[pos]
            pos += 1
            if f & 0x80:
                return f & 0x7F
            g = stream[pos]
            pos += 1
            return f + g * 128

        if header & 0x1F == 1:
            k = stream[pos]
            pos += 1
            for _ in range(k):
                s = stream[pos]
                pos += 1
                freq[s] = frequency()
        else:
            for s in range(256):
                freq[s] = frequency()
        cum = cumulative(freq)
        table = [s for s in range(256) for _ in range(freq.get(s, 0))]
        code = int.from_bytes(stream[pos:pos + 4], "big")
        pos += 4
        width = 0xC0000000
        for _ in range(n):
            r = width >> 12
            slot = code // r
            assert slot < TOTAL
            s = table[slot]
            assert freq[s] > 0
            code -= r * cum[s]
            width = r * freq[s]
            while width < 1 << 24:
                code = (code << 8 | stream[pos]) & 0xFFFFFFFF
                pos += 1
                width <<= 8
            out.append(s)
        if not header & 0x80:
            return bytes(out), pos


# ---- Block sorting ----------------------------------------------------

def bwt(text):
    """The last column of the sorted rotations and the row of the text."""
    rows = sorted(range(len(text)), key=lambda i: text[i:] + text[:i])
    return bytes(text[i - 1] for i in rows), rows.index(0)


def move_to_front(data):
    order, out = list(range(256)), bytearray()
    for b in data:
        i = order.index(b)
        out.append(i)
        order.insert(0, order.pop(i))
    return bytes(out)


def run_length(data):
    """Runs of 2 to 257 equal bytes become two copies and a count."""
    out, i = bytearray(len(data).to_bytes(4, "little")), 0
    while i < len(data):
        j = i
        while j < len(data) and data[j] == data[i] and j - i < 257:
            j += 1
        if j - i == 1:
            out.append(data[i])
        else:
            out += bytes([data[i], data[i], j - i - 2])
        i = j
    return bytes(out)


def block_sort_decode(rle):
    """Run-length decoding, then one block: move-to-front and the inverse
    transform, as the format says."""
    total = int.from_bytes(rle[:4], "little")
    pos, produced, data = 5, 0, bytearray()
    pending = rle[4]
    while produced < total - 1:
        c = rle[pos]
        pos += 1
        if c != pending:
            data.append(pending)
            pending, produced = c, produced + 1
            continue
        k = rle[pos] + 2
        pos += 1
        data += bytes([pending]) * min(k, total - produced)
        produced += k
        if produced >= total:
            pending = None
            break
        pending = rle[pos]
        pos += 1
    if pending is not None and produced < total:
        data.append(pending)
    primary = int.from_bytes(data[:4], "little")
    block = data[4:]
    order, mtf = list(range(256)), bytearray()
    for i in block:
        v = order.pop(i)
        order.insert(0, v)
        mtf.append(v)
    start = {c: sum(1 for b in mtf if b < c) for c in range(256)}
    links = [0] * len(mtf)
    for position, b in enumerate(mtf):
        links[start[b]] = position
        start[b] += 1
    out, p = bytearray(), primary
    for _ in mtf:
        p = links[p]
        out.append(mtf[p])
    return bytes(out)


# ---- The file ---------------------------------------------------------

def main():
    print("# Known answers for the pack archive reader, written by make_pack_vectors.py")
    print("# (hashlib, the openssl command and the plain coders in that script; never")
    print("# the project's own code). Hex unless the key says Ascii.")
    print("# [Key]: Material = an entry's 8 key bytes; Key = SHA-256(Material) folded")
    print("#   to 16 bytes; IV = SHA-256(Key) folded to 16 bytes.")
    print("# [Password]: Password = the archive's 32 password bytes; Check = MD5 folded")
    print("#   to 8 bytes, stored in place of the key bytes; Key and IV from it.")
    print("# [Cipher]: Flags, KeyField and Password as stored; Plain encrypted by")
    print("#   openssl with the key and IV above gives Stored.")
    print("# [Stages]: Flags of a record, Stored bytes decoding to Out.")
    print()
    for material in (bytes(range(1, 9)), bytes.fromhex("00000000000000ff"),
                     "設定の鍵".encode("utf-8")[:8]):
        key = derive(material)
        print("[Key]")
        print("Material =", material.hex())
        print("Key =", key.hex())
        print("IV =", derive(key).hex())
        print()
    for password in (bytes(32), b"tarrowin".ljust(32, b"\0"), bytes(range(32))):
        key = derive(password)
        print("[Password]")
        print("Password =", password.hex())
        print("Check =", fold(hashlib.md5(password).digest(), 8).hex())
        print("Key =", key.hex())
        print("IV =", derive(key).hex())
        print()
    plain = b"[tarrowin1]\r\nProcessName=notepad.exe\r\nCPUCount=1\r\nCPUMask=0x00000000\r\n"
    plain += b"\0" * (-len(plain) % 16)
    field = bytes.fromhex("0123456789abcdef")
    key = derive(field)
    print("[Cipher]")
    print("Flags = 0x002A0000")  # Rijndael, CBC, the record's key bytes
    print("KeyField =", field.hex())
    print("Plain =", plain.hex())
    print("Stored =", aes("cbc", key, derive(key), plain).hex())
    print()
    password = b"tarrowin".ljust(32, b"\0")
    key = derive(password)
    print("[Cipher]")
    print("Flags = 0x020A0000")  # Rijndael, OFB, the archive's password
    print("KeyField =", fold(hashlib.md5(password).digest(), 8).hex())
    print("Password =", password.hex())
    print("Plain =", plain.hex())
    print("Stored =", aes("ofb", key, derive(key), plain).hex())
    print()

    text = b"ProcessName=C:\\Tools\\tool.exe\r\nCPUCount=2\r\nCPUMask=0x00000003\r\n"
    stream = range_block(text, scaled_frequencies(text), form=1)
    assert range_decode(stream) == (text, len(stream))
    print("[Stages]")
    print("Flags = 0x00000100")  # range coder alone
    print("Stored =", stream.hex())
    print("Out =", text.hex())
    print()

    text = b"banana bandana: a bland banana band"
    last, primary = bwt(text)
    assert primary != 0
    rle = run_length(primary.to_bytes(4, "little") + move_to_front(last))
    assert block_sort_decode(rle) == text
    stream = range_block(rle, scaled_frequencies(rle), form=2)
    assert range_decode(stream) == (rle, len(stream))
    print("[Stages]")
    print("# One block-sorted block, primary index %d, range-coded in a form-2 table." % primary)
    print("Flags = 0x00000101")  # block sorting in 128 KiB blocks under the range coder
    print("Stored =", stream.hex())
    print("Out =", text.hex())


if __name__ == "__main__":
    main()
