#!/usr/bin/env python3
"""Builds the program and its zip a second time, from a copy of the sources in another folder,
and holds the result to the test build's bytes; then checks what the zip holds.
    release_test.py SOURCE_DIR BUILD_DIR RESULTS_XML"""
import os, re, shutil, subprocess, sys, zipfile
from xml.sax.saxutils import quoteattr

source, first, results = sys.argv[1:4]
version = open(os.path.join(source, "VERSION")).read().strip()
zip_name = f"Sockmere-{version}-win32.zip"
second = os.path.join(first, "repro")
outcomes = []


def case(name):
    def run(check):
        try:
            check()
            outcomes.append((name, None))
        except Exception as error:  # every case runs and reports, whatever the others did
            outcomes.append((name, f"{type(error).__name__}: {error}"))
            print(f"FAILED: {name}: {error}")
    return run


def read(*path):
    with open(os.path.join(*path), "rb") as f:
        return f.read()


def copy_sources(to):
    listed = subprocess.run(["git", "-C", source, "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], capture_output=True, check=True).stdout
    for name in filter(None, listed.decode().split("\0")):
        if os.path.isfile(os.path.join(source, name)):
            os.makedirs(os.path.dirname(os.path.join(to, name)), exist_ok=True)
            shutil.copy2(os.path.join(source, name), os.path.join(to, name))


def build_again():
    shutil.rmtree(second, ignore_errors=True)
    src, build = os.path.join(second, "src"), os.path.join(second, "build")
    copy_sources(src)
    for command in (["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                     f"-DCMAKE_TOOLCHAIN_FILE={src}/cmake/mingw-i686.cmake"],
                    ["cmake", "--build", build, "-j", str(os.cpu_count()), "--target", "release_zip"]):
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        assert done.returncode == 0, f"{' '.join(command)} failed:\n{done.stdout[-3000:]}"
    return build


def same_bytes(a, b):
    if a == b:
        return
    offsets = [hex(i) for i in range(min(len(a), len(b))) if a[i] != b[i]]
    raise AssertionError(f"sizes {len(a)} and {len(b)}; {len(offsets)} bytes differ, at {offsets[:16]}")


def version_text(exe, key):
    at = exe.index((key + "\0").encode("utf-16-le")) + 2 * len(key) + 2
    while exe[at:at + 2] == b"\0\0":
        at += 2
    end = at
    while exe[end:end + 2] != b"\0\0":
        end += 2
    return exe[at:end].decode("utf-16-le")


exe = read(first, "Sockmere.exe")
build = None


@case("a second clean build in another folder gives the same Sockmere.exe and zip")
def _():
    global build
    build = build_again()
    same_bytes(exe, read(build, "Sockmere.exe"))
    same_bytes(read(first, "release", zip_name), read(build, "release", zip_name))


@case("the program names no folder it was built in")
def _():
    folders = [source, first] + ([os.path.join(second, "src"), build] if build else [])
    for folder in folders:
        for text in (folder.encode(), folder.encode("utf-16-le")):
            assert text not in exe, f"{folder} is in Sockmere.exe"


@case("the version resource, manifest, About box and zip name carry VERSION")
def _():
    numbers = [int(n) for n in version.split(".")] + [0]
    fixed = exe.index(b"\xbd\x04\xef\xfe")
    ms, ls = (int.from_bytes(exe[fixed + o:fixed + o + 4], "little") for o in (8, 12))
    assert [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF] == numbers, (ms, ls)
    assert version_text(exe, "FileVersion") == f"{version}.0"
    assert version_text(exe, "ProductVersion") == ".".join(version.split(".")[:2])
    assert f'name="Sockmere" version="{version}.0"'.encode() in exe, "manifest"
    about = "Sockmere " + ".".join(version.split(".")[:2])
    assert (about + "\0").encode() in exe, f"no About caption {about!r}"


@case("the zip holds Sockmere.exe, README.txt and LICENSE.txt, fixed and with CR LF texts")
def _():
    with zipfile.ZipFile(os.path.join(first, "release", zip_name)) as archive:
        infos = archive.infolist()
        assert [i.filename for i in infos] == ["Sockmere.exe", "README.txt", "LICENSE.txt"]
        assert len({(i.date_time, i.external_attr, i.compress_type) for i in infos}) == 1
        assert archive.read("Sockmere.exe") == exe
        readme, licence = (archive.read(n).decode("ascii") for n in ("README.txt", "LICENSE.txt"))
    for name, text in (("README.txt", readme), ("LICENSE.txt", licence)):
        assert text.endswith("\r\n") and not re.search("\r(?!\n)|(?<!\r)\n", text), f"{name} line ends"
    assert readme.startswith(f"Sockmere {version}\r\n") and "@" not in readme
    holder = version_text(exe, "LegalCopyright")
    assert licence.startswith(f"MIT License\r\n\r\n{holder}\r\n"), f"licence names not {holder!r}"


with open(results, "w") as xml:
    xml.write(f'<testsuites><testsuite name="release" tests="{len(outcomes)}">\n')
    for name, error in outcomes:
        failure = f"<failure message={quoteattr(error)}/>" if error else ""
        xml.write(f"<testcase name={quoteattr(name)} classname=\"release\">{failure}</testcase>\n")
    xml.write("</testsuite></testsuites>\n")
print(f"{sum(e is None for _, e in outcomes)} of {len(outcomes)} release checks passed")
sys.exit(1 if any(error for _, error in outcomes) else 0)
