#!/usr/bin/env python3
"""Makes a release with tools/release.sh from a committed copy of the sources in another folder,
and holds its program and zip to the test build's bytes; then checks what the zip holds.
    release_test.py SOURCE_DIR BUILD_DIR RESULTS_XML"""
import os, re, shutil, subprocess, sys, zipfile
from xml.sax.saxutils import quoteattr

source, first, results = sys.argv[1:4]
version = open(os.path.join(source, "VERSION")).read().strip()
zip_name = f"Sockmere-{version}-win32.zip"
repo, scratch = os.path.join(first, "repro"), os.path.join(first, "repro-tmp")
dist = os.path.join(repo, "dist")
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


def run(*command, cwd=repo, **env):
    return subprocess.run(command, cwd=cwd, env={**os.environ, **env}, text=True,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)


def committed_copy():
    """The working tree as one commit, dated at the zip format's earliest time, which is also the
    time the test build gives the zip's members: so the release's zip must equal the test's."""
    for folder in (repo, scratch):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    listed = run("git", "ls-files", "-z", "--cached", "--others", "--exclude-standard", cwd=source)
    for name in filter(None, listed.stdout.split("\0")):
        if os.path.isfile(os.path.join(source, name)):
            os.makedirs(os.path.dirname(os.path.join(repo, name)), exist_ok=True)
            shutil.copy2(os.path.join(source, name), os.path.join(repo, name))
    date = "315532800 +0000"
    for command in (["init", "-q"], ["add", "-A"], ["commit", "-q", "--no-verify", "-m", "release"]):
        done = run("git", "-c", "user.name=release test", "-c", "user.email=test@localhost",
                   "-c", "commit.gpgsign=false", *command, GIT_AUTHOR_DATE=date, GIT_COMMITTER_DATE=date)
        assert done.returncode == 0, done.stdout


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
committed_copy()


@case("release.sh refuses a tree with uncommitted changes")
def _():
    with open(os.path.join(repo, "stray.txt"), "w") as f:
        f.write("not committed\n")
    done = run("tools/release.sh", TMPDIR=scratch)
    os.remove(os.path.join(repo, "stray.txt"))
    assert done.returncode != 0 and "uncommitted" in done.stdout, done.stdout
    assert not os.path.exists(dist)


@case("release.sh, from a clean clone later and elsewhere, gives the test build's bytes")
def _():
    done = run("tools/release.sh", TMPDIR=scratch)
    assert done.returncode == 0, done.stdout[-3000:]
    same_bytes(exe, read(dist, "Sockmere.exe"))
    same_bytes(read(first, "release", zip_name), read(dist, zip_name))
    sums = run("sha256sum", "-c", "SHA256SUMS", cwd=dist)
    assert sums.stdout == f"{zip_name}: OK\nSockmere.exe: OK\n", sums.stdout


@case("release.sh, from a clone by a git with core.autocrlf=true, gives the same bytes")
def _():
    crlf = os.path.join(first, "repro-crlf")
    shutil.rmtree(crlf, ignore_errors=True)
    config = os.path.join(scratch, "gitconfig")
    open(config, "w").write("[core]\n\tautocrlf = true\n")
    done = run("git", "clone", "-q", repo, crlf, cwd=first, GIT_CONFIG_GLOBAL=config)
    assert done.returncode == 0, done.stdout
    done = run("tools/release.sh", cwd=crlf, TMPDIR=scratch, GIT_CONFIG_GLOBAL=config)
    assert done.returncode == 0, done.stdout[-3000:]
    same_bytes(exe, read(crlf, "dist", "Sockmere.exe"))
    same_bytes(read(first, "release", zip_name), read(crlf, "dist", zip_name))
    shutil.rmtree(crlf)


@case("the program names no folder it was built in")
def _():
    for folder in (source, first, repo, scratch):
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


@case("the manifest asks Windows 8.1 too for scaling per monitor")
def _():
    assert b">true/pm</dpiAware>" in exe


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
    # Every item of the table's menu is told of, however the lines wrap.
    words = " ".join(readme.split())
    for item in ("Connection Info...", "Copy Row", "Copy All", "Save As...", "Show Processes", "Refresh Every",
                 "Highlight Changes", "Filter..."):
        assert f'"{item}"' in words, f"README.txt tells nothing of {item!r}"


with open(results, "w") as xml:
    xml.write(f'<testsuites><testsuite name="release" tests="{len(outcomes)}">\n')
    for name, error in outcomes:
        failure = f"<failure message={quoteattr(error)}/>" if error else ""
        xml.write(f"<testcase name={quoteattr(name)} classname=\"release\">{failure}</testcase>\n")
    xml.write("</testsuite></testsuites>\n")
print(f"{sum(e is None for _, e in outcomes)} of {len(outcomes)} release checks passed")
sys.exit(1 if any(error for _, error in outcomes) else 0)
