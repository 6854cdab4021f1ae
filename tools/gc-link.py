#!/usr/bin/env python3
"""Runs a MinGW link so that --gc-sections also drops the template functions nothing calls.

    gc-link.py COMPILER ARGS...      (a linker launcher: the link command follows)

GNU ld for PE keeps every .eh_frame input section, and each unwind record keeps the function it
describes, so every function of a linked archive member with a record of its own (a template or
inline one, whose record is .eh_frame$NAME beside its code in .text$NAME) stays in the program.
This links with the system's script changed to keep only the records of code that stays for
another reason: it starts from none and adds the records of the kept functions until nothing
more is kept. The per-object .eh_frame sections are kept as before, in input order, so the
runtime's terminating record still comes last.

Then it checks the program it made, from the link map (written beside it as NAME.map) and the
program's own .eh_frame: every kept function section of an object that brought unwind records
starts inside a record from that object, and the records are of a shape this tool knows. Else
the link fails, rather than leave a function that an exception would cross to end the program."""
import bisect
import os
import re
import struct
import subprocess
import sys
import tempfile

RULE = "KEEP(*(.eh_frame*))"
# A COMDAT section is named with its symbol after it: '.text$NAME[_NAME]'.
REMOVED = re.compile(r"removing unused section '([^'[]*)(?:\[[^']*\])?' in file '([^']*)'")


def run(command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.stderr.write(done.stdout + done.stderr)
        sys.exit(done.returncode)
    return done


def system_script(command):
    lines = run(command + ["-Wl,--verbose"]).stdout.splitlines()
    bars = [i for i, line in enumerate(lines) if line.startswith("=" * 40)]
    script = "\n".join(lines[bars[0] + 1:bars[1]]) if len(bars) == 2 else ""
    if script.count(RULE) != 1:
        sys.exit("gc-link: the linker's own script does not keep .eh_frame as expected")
    return script


def records_to_keep(stderr):
    """Names of the removed .eh_frame$NAME records whose .text$NAME stayed in the same file."""
    removed = set(REMOVED.findall(stderr))
    return {section[len(".eh_frame$"):] for section, file in removed
            if section.startswith(".eh_frame$")
            and (".text$" + section[len(".eh_frame$"):], file) not in removed}


# An input section in the map: its name alone on a line when long, then address, size and file.
MAP_ENTRY = re.compile(r"^ (\S+)(?:\n)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+) (\S.*)$", re.M)
MAP_OUTPUT = re.compile(r"^(\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)", re.M)


def read_map(text):
    """(kept, discarded) input sections as (name, address, size, file), and the output sections'
    (address, size) by name."""
    cut = text.find("\nLinker script and memory map")
    if cut < 0:
        raise ValueError("the link map has no memory map")

    def entries(part):
        return [(m[1], int(m[2], 16), int(m[3], 16), m[4]) for m in MAP_ENTRY.finditer(part)]
    outputs = {m[1]: (int(m[2], 16), int(m[3], 16)) for m in MAP_OUTPUT.finditer(text[cut:])}
    return entries(text[cut:]), entries(text[:cut]), outputs


def image_offset(image, address):
    """Where the byte at a virtual address lies in a PE image, and where its section ends there."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    count, optional = struct.unpack_from("<H", image, header + 6)[0], struct.unpack_from("<H", image, header + 20)[0]
    base = struct.unpack_from("<I", image, header + 52)[0]
    for i in range(count):
        virtual, start, _, raw = struct.unpack_from("<IIII", image, header + 24 + optional + 40 * i + 8)
        if base + start <= address < base + start + virtual:
            return raw + address - base - start, raw + virtual
    raise ValueError(f"no section of the program holds {address:#x}")


def image_bytes(image, address, size):
    offset, end = image_offset(image, address)
    return image[offset:min(offset + size, end)]


def leb(data, at, signed=False):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return (value - (1 << shift) if signed and byte & 0x40 else value), at


# Pointer encodings this reads: 4 bytes, absolute or from the field's own address.
FOUR_BYTES = {0x00, 0x03, 0x0B}


def unwind_records(data, address):
    """Walks .eh_frame bytes loaded at address: yields (record address, start, end) for each
    function record, and (address, None, None) for the terminating zero. ValueError on any shape
    not known here."""
    at, encodings = 0, {}
    while at < len(data):
        length = struct.unpack_from("<I", data, at)[0]
        if length == 0:
            yield address + at, None, None
            return
        if length == 0xFFFFFFFF or at + 4 + length > len(data):
            raise ValueError(f"unwind record at {address + at:#x} of a length not known here")
        body, pointer = at + 4, struct.unpack_from("<I", data, at + 4)[0]
        if pointer == 0:
            version, at_text = data[body + 4], body + 5
            end = data.index(b"\0", at_text)
            augmentation, q = data[at_text:end].decode("latin-1"), end + 1
            if version not in (1, 3) or augmentation not in ("", "zR", "zPLR", "zPR", "zLR"):
                raise ValueError(f"unwind record at {address + at:#x}: version {version}, '{augmentation}'")
            _, q = leb(data, q)
            _, q = leb(data, q, True)
            q = q + 1 if version == 1 else leb(data, q)[1]
            encoding = 0
            if augmentation:
                q = leb(data, q)[1]
                for letter in augmentation[1:]:
                    kind = data[q]
                    if kind & 0x0F not in FOUR_BYTES:
                        raise ValueError(f"unwind record at {address + at:#x}: pointer encoding {kind:#x}")
                    q += 1 + 4 * (letter == "P")
                    if letter == "R":
                        encoding = kind
            if encoding & 0x0F not in FOUR_BYTES or encoding & 0xF0 not in (0x00, 0x10):
                raise ValueError(f"unwind record at {address + at:#x}: code pointer encoding {encoding:#x}")
            encodings[at] = encoding
        else:
            encoding = encodings.get(body - pointer)
            if encoding is None:
                raise ValueError(f"unwind record at {address + at:#x} names no common record before it")
            start, size = struct.unpack_from("<II", data, body + 4)
            if encoding & 0x70 == 0x10:
                start = (start + address + body + 4) & 0xFFFFFFFF
            yield address + at, start, start + size
        at = body + length
    raise ValueError("the unwind records have no terminating zero")


def unwind_problems(map_text, image):
    """What is wrong with the unwind records of the program linked with that map: an empty list
    when every kept function section of an object with records starts inside one of its own."""
    kept, discarded, outputs = read_map(map_text)
    odd = sorted({name for name, *_ in kept + discarded
                  if name.startswith(".eh_frame") and name != ".eh_frame" and not name.startswith(".eh_frame$")})
    if odd:
        return [f"unwind sections of a shape not known here: {', '.join(odd[:5])}"]
    if ".eh_frame" not in outputs:
        return ["the link map has no .eh_frame"]
    frames = sorted((address, size, file) for name, address, size, file in kept
                    if name.startswith(".eh_frame") and size)
    starts = [address for address, _, _ in frames]
    covered, problems = {}, []
    address, size = outputs[".eh_frame"]
    try:
        for record, start, end in unwind_records(image_bytes(image, address, size), address):
            i = bisect.bisect_right(starts, record) - 1
            if i < 0 or record >= frames[i][0] + frames[i][1]:
                return [f"unwind record at {record:#x} lies in no input section"]
            if start is None:
                if i != len(frames) - 1:
                    problems.append("the terminating unwind record is not the last")
            else:
                covered.setdefault(frames[i][2], []).append((start, end))
    except ValueError as error:
        return [str(error)]
    # Objects whose records the link dropped are checked too: they brought some.
    with_records = set(covered) | {file for name, *_, file in discarded if name.startswith(".eh_frame")}
    for name, address, size, file in kept:
        if (name == ".text" or name.startswith((".text$", ".text."))) and size and file in with_records:
            if not any(start <= address < end for start, end in covered.get(file, ())):
                problems.append(f"{name} of {file} at {address:#x} has no unwind record")
    return problems


def output_of(command):
    for i, arg in enumerate(command[:-1]):
        if arg == "-o":
            return command[i + 1]
    return None


def main(command):
    script = system_script(command)
    kept = set()
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "link.ld")
        program = output_of(command)
        link_map = program + ".map" if program else os.path.join(folder, "link.map")
        while True:
            # One pattern list keeps the input order, which the unwinder's scan relies on.
            names = " ".join(".eh_frame$" + name for name in sorted(kept))
            with open(path, "w") as f:
                f.write(script.replace(RULE, f"KEEP(*(.eh_frame {names}))"))
            done = run(command + [f"-Wl,-T,{path}", "-Wl,--print-gc-sections", f"-Wl,-Map={link_map}"])
            more = records_to_keep(done.stderr) - kept
            if not more:
                break
            kept |= more
    if any("--gc-sections" in arg for arg in command) and not REMOVED.search(done.stderr):
        sys.exit("gc-link: the linker named no removed section; its messages may have changed")
    unexpected = "\n".join(line for line in done.stderr.splitlines() if not REMOVED.search(line))
    if unexpected:
        sys.stderr.write(unexpected + "\n")
    if program:
        with open(link_map) as f, open(program, "rb") as image:
            problems = unwind_problems(f.read(), image.read())
        if problems:
            os.remove(program)
            sys.exit("gc-link: " + "\n".join(problems[:20]))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
