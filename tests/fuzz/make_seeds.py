#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into
tests/fuzz/corpus/TARGET/ (small files, one shape each). The fuzzer grows
its own corpus from them in build/fuzz; scripts/fuzz never writes here.

    python3 tests/fuzz/make_seeds.py
"""
import io
import os
import struct
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
KEY = bytes([0x5C, 0xE1, 0x07, 0x9A, 0x3D, 0x48, 0xB6, 0xF2])


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def descriptor(fields):
    plain = "`".join(fields).encode("gbk")
    payload = "".join("%02X" % (b ^ KEY[i % len(KEY)]) for i, b in enumerate(plain)).encode()
    return payload + struct.pack("<I", len(payload))


def fields(**values):
    f = [""] * 32
    for key, value in values.items():
        f[int(key[1:])] = value
    return f


put("descriptor_fuzz", "full", descriptor(fields(f2="pkg-42", f13="0A1b", f15="setup.exe",
                                                 f21="http://portal.example/banner",
                                                 f30="https://portal.example/get")))
put("descriptor_fuzz", "chinese", descriptor(fields(f2="软件", f15="安装\\setup.exe", f30="http://p/")))
put("descriptor_fuzz", "bad-check", descriptor(fields(f2="x", f13="zz", f30="http://p/")))
put("descriptor_fuzz", "few-fields", descriptor(["a", "b", "c"]))
put("descriptor_fuzz", "empty-length", b"\0\0\0\0")

page = "page_marker_fuzz"
put(page, "marker", b"<html><a href='http://x/'>|||http://dl.example/files/pack.zip*</a></html>")
put(page, "utf8-bom", "\ufeff<p>HTTP://a |||http://d/软件包.zip*</p>".encode("utf-8"))
put(page, "utf16le", "\ufeff|||http://d/a b/\"q\"\"x\".zip*http://".encode("utf-16-le"))
put(page, "utf16be", "\ufeff|||http://d/x/*Http://".encode("utf-16-be"))
put(page, "gbk", "|||http://下载/包.zip*http://".encode("gbk"))
put(page, "quoted", b'|||http://d/"a/b" "c""d"*http://\r\n\r\x00tail')
put(page, "marks", "|||http://d/e\u0301\u0302/\ud83d\ude00\u0300*http://".encode("utf-8-sig", "surrogatepass"))

addr = "address_fuzz"
def address(https, path, location, utf16=False):
    head = (len(path) << 1) | (1 if https else 0) | (0x80 if utf16 else 0)
    return bytes([head]) + path + location

put(addr, "relative", address(False, b"dir/page.html?x=1", b"../other/file.zip"))
put(addr, "absolute", address(True, b"a/", b"http://user:pw@host.example:8080/p/q/r.zip?x#frag"))
put(addr, "network-path", address(False, b"", b"//cdn.example/files/a.zip"))
put(addr, "ipv6", address(False, b"x/", b"https://[::1]:443/a/./b/../c"))
put(addr, "query-only", address(True, b"a/b/c", b"?page=2"))
put(addr, "blanks", address(False, b"a b/", b"/x y\tz\\w?q r"))
put(addr, "dots", address(False, b"a/b/", b"./../../.."))
put(addr, "utf16", address(False, "d/".encode("utf-16-le"), "/软件/包.zip".encode("utf-16-le"), True))

put("cookie_fuzz", "plain", b"id=1\nsession=abc; Path=/; HttpOnly\n")
put("cookie_fuzz", "domain", b"a=1; Domain=.example.com; Path=/a\nb=2; Domain=example.com; Secure\n")
put("cookie_fuzz", "expiry", b"c=1; Expires=Sun, 06 Nov 1994 08:49:37 GMT\n"
                             b"d=2; Max-Age=60; Expires=Wed, 21 Oct 2099 07:28:00 GMT\ne=3; Max-Age=-1\n")
put("cookie_fuzz", "dates", b"f=1; expires=Sunday, 06-Nov-94 08:49:37 GMT\ng=2; expires=Sun Nov  6 08:49:37 1994\n")
put("cookie_fuzz", "odd", b"=v\nnovalue\nh=\"q\"; path=; domain=\nh=replaced; path=/a/\r\n")

http = "http_answer_fuzz"
put(http, "length", b"\x05HTTP/1.1 200 OK\r\nContent-Length: 5\r\nSet-Cookie: a=b\r\n\r\nhello")
put(http, "chunked", b"\x03HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     b"4;ext=1\r\nabcd\r\n0\r\nTrailer: x\r\n\r\n")
put(http, "redirect", b"\x01HTTP/1.1 302 Found\r\nLocation: ../a/b.zip\r\nContent-Length: 0\r\n\r\n")
put(http, "until-close", b"\x07HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>body")
put(http, "multipart", b"\x02HTTP/1.1 206 Partial\r\nContent-Type: multipart/byteranges; boundary=XY\r\n\r\n"
                       b"--XY\r\nContent-Range: bytes 0-1/4\r\n\r\nab\r\n--XY--\r\n")
put(http, "continue", b"\x04HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx")


def archive(build):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as z:
        build(z)
    return data.getvalue()


def entry(z, name, data, compress=zipfile.ZIP_STORED, mode=None, system=None):
    info = zipfile.ZipInfo(name, (2020, 1, 2, 3, 4, 6))
    info.compress_type = compress
    if mode is not None:
        info.external_attr = mode << 16
        info.create_system = 3
    if system is not None:
        info.create_system = system
    z.writestr(info, data)


put("zip_archive_fuzz", "stored", archive(lambda z: entry(z, "a.txt", b"hello")))
put("zip_archive_fuzz", "deflated", archive(lambda z: entry(z, "d/b.txt", b"abc" * 40, zipfile.ZIP_DEFLATED)))
put("zip_archive_fuzz", "dirs-modes", archive(lambda z: (entry(z, "dir/", b"", mode=0o40755),
                                                         entry(z, "dir/run.sh", b"#!/bin/sh\n", mode=0o100755),
                                                         entry(z, "ro.txt", b"r", mode=0o100444))))
put("zip_archive_fuzz", "gbk-name", archive(lambda z: entry(z, "软件/安装.exe".encode("gbk").decode("cp437"), b"x")))
put("zip_archive_fuzz", "utf8-name", archive(lambda z: entry(z, "ü/файл.txt", b"y")))
put("zip_archive_fuzz", "backslash", archive(lambda z: entry(z, "sub\\setup.exe", b"z", system=0)))
