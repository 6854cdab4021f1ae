#!/usr/bin/env python3
"""unwind_guard_test.py GC_LINK_PY PROGRAM (with PROGRAM.map beside it)"""
import importlib.util
import struct
import sys
import unittest

source = importlib.util.spec_from_file_location("gc_link", sys.argv[1])
gc_link = importlib.util.module_from_spec(source)
source.loader.exec_module(gc_link)
IMAGE, MAP = open(sys.argv[2], "rb").read(), open(sys.argv[2] + ".map").read()


def patched(address, offset, data):
    at, _ = gc_link.image_offset(IMAGE, address)
    return IMAGE[:at + offset] + data + IMAGE[at + offset + len(data):]


class UnwindGuard(unittest.TestCase):
    def test_the_program_as_linked_passes(self):
        self.assertEqual(gc_link.unwind_problems(MAP, IMAGE), [])

    def test_a_template_function_without_its_record_fails(self):
        kept, _, _ = gc_link.read_map(MAP)
        texts = {(name[6:], file) for name, _, size, file in kept if name.startswith(".text$") and size}
        own = [(address, name[10:]) for name, address, _, file in kept
               if name.startswith(".eh_frame$") and (name[10:], file) in texts]
        # The function record follows the common one in the section: its range becomes empty.
        frame, name = own[len(own) // 2]
        record = frame + 4 + struct.unpack_from("<I", gc_link.image_bytes(IMAGE, frame, 4))[0]
        problems = gc_link.unwind_problems(MAP, patched(record, 12, bytes(4)))
        self.assertEqual(len(problems), 1, problems)
        self.assertIn(".text$" + name, problems[0])

    def test_unknown_shapes_fail(self):
        renamed = MAP.replace("\n .eh_frame$", "\n .eh_frame.", 1)
        self.assertIn("shape not known", gc_link.unwind_problems(renamed, IMAGE)[0])
        address, _ = gc_link.read_map(MAP)[2][".eh_frame"]
        augmentation = gc_link.image_bytes(IMAGE, address, 64).index(b"zR", 8)
        self.assertIn("zQ", gc_link.unwind_problems(MAP, patched(address, augmentation + 1, b"Q"))[0])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
