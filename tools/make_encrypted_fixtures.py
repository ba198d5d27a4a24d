#!/usr/bin/env python3
"""Makes the protected workbooks under tests/data/sheet/: BIFF8 .xls files encrypted with RC4
(MD5 key derivation) and RC4 through CryptoAPI (SHA-1), and .xlsx packages encrypted with the
standard (AES-ECB, SHA-1) and the agile (AES-CBC, SHA-512) methods, each under the default
password that opens without asking, and one of each kind under a password of its own.

The ciphers come from libgcrypt (through ctypes), the hashes from hashlib; the salts are fixed so
that the files come out the same on every run. LibreOffice opens all of them the way we expect
(check: soffice --headless --convert-to csv FILE).

Run from anywhere: python3 tools/make_encrypted_fixtures.py
"""
import base64
import ctypes
import hashlib
import hmac
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compound_writer import compound  # noqa: E402
from make_sheet_fixtures import OUT, SEEDS, Biff, rec, rk_int  # noqa: E402

DEFAULT_PASSWORD = "VelvetSweatshop"
OWN_PASSWORD = "工资2024"

# ---------------------------------------------------------------- libgcrypt ciphers

_gcry = ctypes.CDLL("libgcrypt.so.20")
_gcry.gcry_check_version(None)
GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_AES128, GCRY_CIPHER_AES256 = 301, 7, 9
MODE_ECB, MODE_CBC, MODE_STREAM = 1, 3, 4


def _cipher(algo, mode, key, data, iv=None):
    handle = ctypes.c_void_p()
    assert _gcry.gcry_cipher_open(ctypes.byref(handle), algo, mode, 0) == 0
    assert _gcry.gcry_cipher_setkey(handle, key, len(key)) == 0
    if iv is not None:
        assert _gcry.gcry_cipher_setiv(handle, iv, len(iv)) == 0
    buf = ctypes.create_string_buffer(bytes(data), len(data))
    assert _gcry.gcry_cipher_encrypt(handle, buf, len(data), None, 0) == 0
    _gcry.gcry_cipher_close(handle)
    return buf.raw


def rc4(key, data):
    return _cipher(GCRY_CIPHER_ARCFOUR, MODE_STREAM, key, data)


def aes(key, data, iv=None):
    algo = GCRY_CIPHER_AES128 if len(key) == 16 else GCRY_CIPHER_AES256
    return _cipher(algo, MODE_ECB if iv is None else MODE_CBC, key, data, iv)


def utf16(password):
    return password.encode("utf-16-le")


def le32(n):
    return struct.pack("<I", n)


# ---------------------------------------------------------------- .xls: RC4 in FILEPASS

PLAIN_RECORDS = {0x0809, 0x002F, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138}


def md5_block_key(salt, password):
    h0 = hashlib.md5(utf16(password)).digest()[:5]
    h1 = hashlib.md5((h0 + salt) * 16).digest()[:5]
    return lambda block: hashlib.md5(h1 + le32(block)).digest()


def sha1_block_key(salt, password, key_bits):
    h0 = hashlib.sha1(salt + utf16(password)).digest()
    def key(block):
        k = hashlib.sha1(h0 + le32(block)).digest()[:key_bits // 8]
        return k + b"\0" * 11 if key_bits == 40 else k
    return key


def filepass_md5(password):
    salt = bytes(range(16))
    verifier = bytes(range(100, 116))
    key = md5_block_key(salt, password)
    encrypted = rc4(key(0), verifier + hashlib.md5(verifier).digest())
    return struct.pack("<HHH", 1, 1, 1) + salt + encrypted, key


def filepass_cryptoapi(password, key_bits):
    salt = bytes(range(32, 48))
    verifier = bytes(range(200, 216))
    key = sha1_block_key(salt, password, key_bits)
    encrypted = rc4(key(0), verifier + hashlib.sha1(verifier).digest())
    csp = "Microsoft Enhanced Cryptographic Provider v1.0\0".encode("utf-16-le")
    header = struct.pack("<IIIIIIII", 0x04, 0, 0x6801, 0x8004, key_bits, 1, 0, 0) + csp
    body = struct.pack("<HHHII", 1, 4, 2, 0x04, len(header)) + header
    body += struct.pack("<I", 16) + salt + encrypted[:16] + struct.pack("<I", 20) + encrypted[16:]
    return body, key


def records(stream):
    pos = 0
    while pos + 4 <= len(stream):
        kind, size = struct.unpack_from("<HH", stream, pos)
        yield pos, kind, size
        pos += 4 + size


def protect_biff8(stream, filepass_body, key):
    """Puts FILEPASS after the first BOF, moves the sheet positions after it and encrypts every
    record body after it with the key of the 1024-byte block each byte lies in."""
    bof_end = 4 + struct.unpack_from("<H", stream, 2)[0]
    filepass = rec(0x002F, filepass_body)
    data = bytearray(stream[:bof_end] + filepass + stream[bof_end:])
    for pos, kind, _ in records(bytes(data)):
        if kind == 0x0085:
            struct.pack_into("<I", data, pos + 4, struct.unpack_from("<I", data, pos + 4)[0] + len(filepass))
    stream_key = b""
    for block in range((len(data) + 1023) // 1024):
        stream_key += rc4(key(block), b"\0" * 1024)
    start = bof_end + len(filepass)
    for pos, kind, size in records(bytes(data)):
        if pos < start or kind in PLAIN_RECORDS:
            continue
        first = pos + 4 + (4 if kind == 0x0085 else 0)
        for i in range(first, pos + 4 + size):
            data[i] ^= stream_key[i]
    return bytes(data)


def payroll_biff8():
    """Titles and three records, over 1024 bytes so that the key changes on the way."""
    b = Biff(0x0600, 1200)
    cells = [lambda: b.label(0, 0, "姓名"), lambda: b.label(0, 1, "部门"), lambda: b.label(0, 2, "工资")]
    for r, (name, dept, pay) in enumerate([("张三", "财务部", 5200), ("李四", "销售部", 6100),
                                           ("王五", "技术部", 7300)], start=1):
        cells += [lambda r=r, n=name: b.label(r, 0, n), lambda r=r, d=dept: b.label(r, 1, d),
                  rec(0x027E, struct.pack("<HHHI", r, 2, 15, rk_int(pay)))]
    # Padding rows far down keep the sheet past the first key block.
    for r in range(100, 220):
        cells.append(rec(0x0203, struct.pack("<HHHd", r, 5, 15, r * 1.5)))
    b.sheets.append(("工资", cells))
    return b.build()


def make_xls():
    stream = payroll_biff8()
    assert len(stream) > 2048
    cases = [("encrypted_rc4.xls", filepass_md5(DEFAULT_PASSWORD)),
             ("encrypted_cryptoapi.xls", filepass_cryptoapi(DEFAULT_PASSWORD, 128)),
             ("own_password_cryptoapi.xls", filepass_cryptoapi(OWN_PASSWORD, 128))]
    for name, (body, key) in cases:
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(compound({"Workbook": protect_biff8(stream, body, key)}))


# ---------------------------------------------------------------- .xlsx: encrypted packages


def standard_info_and_package(package, password):
    salt = bytes(range(48, 64))
    h = hashlib.sha1(salt + utf16(password)).digest()
    for i in range(50000):
        h = hashlib.sha1(le32(i) + h).digest()
    final = hashlib.sha1(h + le32(0)).digest()
    x1 = hashlib.sha1(bytes(b ^ 0x36 for b in final) + b"\x36" * 44).digest()
    x2 = hashlib.sha1(bytes(b ^ 0x5C for b in final) + b"\x5C" * 44).digest()
    key = (x1 + x2)[:16]
    verifier = bytes(range(150, 166))
    verifier_hash = hashlib.sha1(verifier).digest() + b"\0" * 12
    csp = "Microsoft Enhanced RSA and AES Cryptographic Provider\0".encode("utf-16-le")
    header = struct.pack("<IIIIIIII", 0x24, 0, 0x660E, 0x8004, 128, 0x18, 0, 0) + csp
    info = struct.pack("<HHII", 4, 2, 0x24, len(header)) + header
    info += struct.pack("<I", 16) + salt + aes(key, verifier) + struct.pack("<I", 20)
    info += aes(key, verifier_hash)
    padded = package + b"\0" * (-len(package) % 16)
    return info, struct.pack("<Q", len(package)) + aes(key, padded)


def agile_info_and_package(package, password, spins=100000):
    def fit(data, size):
        return (data + b"\x36" * size)[:size]

    sha = lambda *parts: hashlib.sha512(b"".join(parts)).digest()
    key_salt, password_salt = bytes(range(64, 80)), bytes(range(80, 96))
    secret = bytes(range(1, 33))
    h = sha(password_salt, utf16(password))
    for i in range(spins):
        h = sha(le32(i), h)
    block_key = lambda block: fit(sha(h, block), 32)
    verifier = bytes(range(96, 112))
    values = {
        "encryptedVerifierHashInput": aes(block_key(b"\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79"), verifier, password_salt),
        "encryptedVerifierHashValue": aes(block_key(b"\xd7\xaa\x0f\x6d\x30\x61\x34\x4e"), sha(verifier), password_salt),
        "encryptedKeyValue": aes(block_key(b"\x14\x6e\x0b\xe7\xab\xac\xd0\xd6"), secret, password_salt),
    }
    encrypted = b""
    for i in range(0, len(package), 4096):
        segment = package[i:i + 4096]
        segment += b"\0" * (-len(segment) % 16)
        encrypted += aes(secret, segment, fit(sha(key_salt, le32(i // 4096)), 16))
    # The package's HMAC, which other readers check: its key and value encrypted with the secret.
    hmac_key = bytes(range(112, 176))
    hmac_value = hmac.new(hmac_key, struct.pack("<Q", len(package)) + encrypted, hashlib.sha512).digest()
    integrity = {
        "encryptedHmacKey": aes(secret, hmac_key, fit(sha(key_salt, b"\x5f\xb2\xad\x01\x0c\xb9\xe1\xf6"), 16)),
        "encryptedHmacValue": aes(secret, hmac_value, fit(sha(key_salt, b"\xa0\x67\x7f\x02\xb2\x2c\x84\x33"), 16)),
    }
    b64 = lambda data: base64.b64encode(data).decode()
    params = 'blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" ' \
             'cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512"'
    xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
           '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
           'xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
           '<keyData saltSize="16" %s saltValue="%s"/><dataIntegrity %s/>'
           '<keyEncryptors><keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
           '<p:encryptedKey spinCount="%d" saltSize="16" %s saltValue="%s" %s/>'
           '</keyEncryptor></keyEncryptors></encryption>'
           % (params, b64(key_salt), " ".join('%s="%s"' % (k, b64(v)) for k, v in integrity.items()), spins, params, b64(password_salt),
              " ".join('%s="%s"' % (k, b64(v)) for k, v in values.items())))
    info = struct.pack("<HHI", 4, 4, 0x40) + xml.encode()
    return info, struct.pack("<Q", len(package)) + encrypted


def make_xlsx():
    merge_data = os.path.join(os.path.dirname(OUT), "merge", "数据.xlsx")
    cases = [("values.xlsx", "encrypted_standard.xlsx", standard_info_and_package, DEFAULT_PASSWORD),
             ("values.xlsx", "encrypted_agile.xlsx", agile_info_and_package, DEFAULT_PASSWORD),
             ("values.xlsx", "own_password_agile.xlsx", agile_info_and_package, OWN_PASSWORD),
             (merge_data, "encrypted_merge_data.xlsx", agile_info_and_package, DEFAULT_PASSWORD)]
    for source, name, method, password in cases:
        with open(os.path.join(OUT, source), "rb") as f:
            package = f.read()
        info, encrypted = method(package, password)
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(compound({"EncryptionInfo": info, "EncryptedPackage": encrypted}))


def make_fuzz_seeds():
    """The encrypted .xls streams bare, for xls_reader_fuzzer; the two streams of small
    packages joined by the separator encrypted_package_fuzzer splits at, with few spins so
    that each run is quick."""
    stream = payroll_biff8()
    for name, (body, key) in [("encrypted_rc4_stream", filepass_md5(DEFAULT_PASSWORD)),
                              ("encrypted_cryptoapi_stream", filepass_cryptoapi(DEFAULT_PASSWORD, 128))]:
        with open(os.path.join(SEEDS, "xls", name), "wb") as f:
            f.write(protect_biff8(stream, body, key))
    os.makedirs(os.path.join(SEEDS, "encrypted"), exist_ok=True)
    with open(os.path.join(OUT, "values.xlsx"), "rb") as f:
        package = f.read()
    for name, info_and_package in [("standard", standard_info_and_package(package, DEFAULT_PASSWORD)),
                                   ("agile", agile_info_and_package(package, DEFAULT_PASSWORD, 1000))]:
        with open(os.path.join(SEEDS, "encrypted", name), "wb") as f:
            f.write(info_and_package[0] + b"\n--\n" + info_and_package[1])


if __name__ == "__main__":
    make_xls()
    make_xlsx()
    make_fuzz_seeds()
