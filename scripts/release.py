#!/usr/bin/env python3
"""Writes the release's files into dist/ from the two built exes and the Linux command (called by
scripts/release.sh).

    python3 scripts/release.py VERSION EXE32 EXE64 LINUX_BINARY DIST

Every byte follows from the sources and SOURCE_DATE_EPOCH: times are that moment, members are in
sorted order with fixed modes, owners are root. The package is put together here and by
dpkg-deb --root-owner-group rather than by CPack because it holds the exes of two cross builds and the
native command (three toolchains, three build trees): no one CMake tree can install it.
"""
import gzip
import hashlib
import io
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import time
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
EPOCH = int(os.environ["SOURCE_DATE_EPOCH"])
MAINTAINER = "The Quorlane project <quorlane@example.org>"
HOMEPAGE = "https://example.org"


def plain(markdown):
    """README.md as text a Windows editor shows well: headings underlined, no markup, CRLF."""
    out, fence = [], False
    for line in markdown.splitlines():
        if line.startswith("```"):
            fence = not fence
            continue
        if fence:
            out.append("    " + line)
            continue
        if line.startswith("!["):
            continue
        heading = re.match(r"(#+) (.*)", line)
        line = re.sub(r"\*\*(.+?)\*\*", r"\1", line)
        line = re.sub(r"`([^`]*)`", r"\1", line)
        line = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", r"\1 (\2)", line)
        if heading:
            title = re.sub(r"`([^`]*)`", r"\1", heading.group(2))
            out += [title, ("=" if len(heading.group(1)) == 1 else "-") * len(title)]
        else:
            out.append(line)
    return re.sub(r"(\r\n){3,}", "\r\n\r\n", "\r\n".join(out).strip() + "\r\n")


def readme_for_users():
    """The README up to its build from source: what a user of the zip or the package needs."""
    text = (ROOT / "README.md").read_text(encoding="utf-8")
    cut = re.search(r"^## Build", text, re.M)
    return plain(text[: cut.start()] if cut else text)


def releases():
    """CHANGELOG.md's releases as [(version, date, [entry text])], newest first."""
    found = []
    for block in re.split(r"^## ", (ROOT / "CHANGELOG.md").read_text(encoding="utf-8"), flags=re.M)[1:]:
        head, _, body = block.partition("\n")
        if head.strip() == "Unreleased":  # what the next release will bring
            continue
        version, date = re.match(r"(\S+) \((\d{4}-\d\d-\d\d)\)", head).groups()
        entries = [" ".join(e.split()) for e in re.split(r"^- ", body, flags=re.M)[1:]]
        entries = [re.sub(r"\*\*(.+?)\*\*|`([^`]*)`", lambda m: m.group(1) or m.group(2), e) for e in entries]
        found.append((version, date, entries))
    return found


def debian_changelog():
    out = []
    for version, date, entries in releases():
        out.append(f"quorlane ({version}) unstable; urgency=medium\n\n")
        for entry in entries:
            out.append(textwrap.fill(entry, 78, initial_indent="  * ", subsequent_indent="    ") + "\n")
        stamp = time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.strptime(date, "%Y-%m-%d"))
        out.append(f"\n -- {MAINTAINER}  {stamp}\n\n")
    return "".join(out).rstrip("\n") + "\n"


def gz(data):
    buffer = io.BytesIO()
    with gzip.GzipFile(fileobj=buffer, mode="wb", compresslevel=9, mtime=0, filename="") as f:
        f.write(data)
    return buffer.getvalue()


def write_zip(path, members):
    stamp = time.gmtime(max(EPOCH, 315532800))[:6]   # a zip's times start in 1980
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(members):
            info = zipfile.ZipInfo(name, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            z.writestr(info, members[name], compresslevel=9)


def stripped(binary):
    """The command without its symbols, as Debian ships programs."""
    with tempfile.TemporaryDirectory() as scratch:
        copy = pathlib.Path(scratch) / "quorlane"
        subprocess.run(["objcopy", "--strip-unneeded", "--remove-section=.comment", str(binary), str(copy)], check=True)
        return copy.read_bytes()


def glibc_needed(binary):
    """The newest GLIBC_ symbol version the command links against: its libc6 dependency."""
    symbols = subprocess.run(["objdump", "-T", str(binary)], check=True, capture_output=True, text=True).stdout
    versions = {tuple(int(n) for n in v.split(".")) for v in re.findall(r"GLIBC_(\d+(?:\.\d+)+)", symbols)}
    return ".".join(str(n) for n in max(versions))


def write_deb(path, version, exe32, exe64, native):
    lib = "usr/lib/quorlane"
    files = {
        f"{lib}/win32/quorlane.exe": (exe32.read_bytes(), 0o644),
        f"{lib}/win64/quorlane.exe": (exe64.read_bytes(), 0o644),
        "usr/bin/quorlane": (stripped(native), 0o755),
        "usr/share/bash-completion/completions/quorlane": ((ROOT / "packaging/quorlane.bash-completion").read_bytes(), 0o644),
        "usr/share/applications/quorlane.desktop": ((ROOT / "packaging/quorlane.desktop").read_bytes(), 0o644),
        "usr/share/doc/quorlane/copyright": ((ROOT / "packaging/copyright").read_bytes(), 0o644),
        "usr/share/doc/quorlane/changelog.gz": (gz(debian_changelog().encode()), 0o644),
        "usr/share/doc/quorlane/README.gz": (gz(readme_for_users().replace("\r\n", "\n").encode()), 0o644),
    }
    date = time.strftime("%Y-%m-%d", time.gmtime(EPOCH))
    page = (ROOT / "packaging/quorlane.1").read_text().replace("@VERSION@", version).replace("@DATE@", date)
    files["usr/share/man/man1/quorlane.1.gz"] = (gz(page.encode()), 0o644)
    with tempfile.TemporaryDirectory() as scratch:
        icons = pathlib.Path(scratch) / "icons"
        subprocess.run([sys.executable, str(ROOT / "scripts/make-icon.py"), "--hicolor", str(icons)], check=True)
        for png in sorted(icons.rglob("*.png")):
            files[f"usr/share/icons/hicolor/{png.relative_to(icons)}"] = (png.read_bytes(), 0o644)

        tree = pathlib.Path(scratch) / "tree"
        for name, (data, mode) in files.items():
            target = tree / name
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
            target.chmod(mode)
        size_kib = sum((len(data) + 1023) // 1024 for data, _ in files.values())
        control = tree / "DEBIAN"
        control.mkdir()
        (control / "control").write_text(textwrap.dedent(f"""\
            Package: quorlane
            Version: {version}
            Architecture: amd64
            Maintainer: {MAINTAINER}
            Installed-Size: {size_kib}
            Depends: libc6 (>= {glibc_needed(native)}), wine
            Section: otherosfs
            Priority: optional
            Homepage: {HOMEPAGE}
            Description: places bar editor for the Open and Save dialogs under Wine
             Quorlane chooses the up to five places (folders and special folders) shown
             at the left of the standard Open and Save dialogs of Windows programs. The
             quorlane command sets them in every Wine prefix it finds (Wine, winetricks,
             Lutris, Bottles, Steam, Heroic, PlayOnLinux, CrossOver) straight in their
             registry files, without starting Wine: "quorlane set --all --from-desktop",
             "quorlane list". Alone it opens Quorlane's window under Wine; the 32- and
             the 64-bit builds are both included.
            """))
        (control / "md5sums").write_text("".join(f"{hashlib.md5(files[n][0]).hexdigest()}  {n}\n" for n in sorted(files)))
        for entry in [tree, *tree.rglob("*")]:
            if entry.is_dir():
                entry.chmod(0o755)
            elif entry.parent == control:
                entry.chmod(0o644)
        for entry in [tree, *tree.rglob("*")]:
            os.utime(entry, (EPOCH, EPOCH), follow_symlinks=False)
        subprocess.run(["dpkg-deb", "--root-owner-group", "-Zxz", "--build", str(tree), str(path)],
                       check=True, stdout=subprocess.DEVNULL, env={**os.environ, "SOURCE_DATE_EPOCH": str(EPOCH)})


def main():
    version, dist = sys.argv[1], pathlib.Path(sys.argv[5])
    exe32, exe64, native = (pathlib.Path(a) for a in sys.argv[2:5])
    if dist.exists():
        shutil.rmtree(dist)
    dist.mkdir(parents=True)
    docs = {
        "README.txt": readme_for_users().encode("utf-8"),
        "LICENSE.txt": (ROOT / "LICENSE").read_text().replace("\n", "\r\n").encode(),
        "CHANGELOG.txt": plain((ROOT / "CHANGELOG.md").read_text(encoding="utf-8")).encode("utf-8"),
    }
    names = []
    for bits, exe in (("32", exe32), ("64", exe64)):
        name = f"quorlane-{version}-win{bits}.zip"
        # The console companion that cmd.exe and PowerShell wait for lies beside the exe it starts.
        write_zip(dist / name, {**docs, "quorlane.exe": exe.read_bytes(), "quorlane.com": exe.with_suffix(".com").read_bytes()})
        names.append(name)
    name = f"quorlane_{version}_amd64.deb"
    write_deb(dist / name, version, exe32, exe64, native)
    names.append(name)
    sums = "".join(f"{hashlib.sha256((dist / n).read_bytes()).hexdigest()}  {n}\n" for n in sorted(names))
    (dist / "SHA256SUMS").write_text(sums)
    sys.stdout.write(sums)


if __name__ == "__main__":
    main()
