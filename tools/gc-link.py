#!/usr/bin/env python3
"""Runs a MinGW link so that --gc-sections also drops the template functions nothing calls.

    gc-link.py COMPILER ARGS...      (a linker launcher: the link command follows)

GNU ld for PE keeps every .eh_frame input section, and each unwind record keeps the function it
describes, so every function of a linked archive member with a record of its own (a template or
inline one, whose record is .eh_frame$NAME beside its code in .text$NAME) stays in the program.
This links with the system's script changed to keep only the records of code that stays for
another reason: it starts from none and adds the records of the kept functions until nothing
more is kept. The per-object .eh_frame sections are kept as before, in input order, so the
runtime's terminating record still comes last."""
import os
import re
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


def main(command):
    script = system_script(command)
    kept = set()
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "link.ld")
        while True:
            # One pattern list keeps the input order, which the unwinder's scan relies on.
            names = " ".join(".eh_frame$" + name for name in sorted(kept))
            with open(path, "w") as f:
                f.write(script.replace(RULE, f"KEEP(*(.eh_frame {names}))"))
            done = run(command + [f"-Wl,-T,{path}", "-Wl,--print-gc-sections"])
            more = records_to_keep(done.stderr) - kept
            if not more:
                break
            kept |= more
    if any("--gc-sections" in arg for arg in command) and not REMOVED.search(done.stderr):
        sys.exit("gc-link: the linker named no removed section; its messages may have changed")
    unexpected = "\n".join(line for line in done.stderr.splitlines() if not REMOVED.search(line))
    if unexpected:
        sys.stderr.write(unexpected + "\n")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
