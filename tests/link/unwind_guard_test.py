#!/usr/bin/env python3
"""The link's unwind guard passes the program as linked, and fails it when a kept function has
no record, when a record is of an unknown shape, or when an unwind section has an unknown name.
    unwind_guard_test.py GC_LINK_PY PROGRAM     (PROGRAM.map beside it)"""
import importlib.util
import struct
import sys
import unittest

spec = importlib.util.spec_from_file_location("gc_link", sys.argv[1])
gc_link = importlib.util.module_from_spec(spec)
spec.loader.exec_module(gc_link)
with open(sys.argv[2], "rb") as f:
    IMAGE = f.read()
with open(sys.argv[2] + ".map") as f:
    MAP = f.read()


class UnwindGuard(unittest.TestCase):
    def test_the_program_as_linked_passes(self):
        self.assertEqual(gc_link.unwind_problems(MAP, IMAGE), [])

    def test_a_template_function_without_its_record_fails(self):
        kept, _, outputs = gc_link.read_map(MAP)
        texts = {(name[len(".text$"):], file): address for name, address, size, file in kept
                 if name.startswith(".text$") and size}
        own = [(address, name[len(".eh_frame$"):]) for name, address, size, file in kept
               if name.startswith(".eh_frame$") and (name[len(".eh_frame$"):], file) in texts]
        self.assertTrue(own)
        # The function record follows the common record in the section: its range becomes empty.
        frame, name = own[len(own) // 2]
        data = gc_link.image_bytes(IMAGE, frame, 256)
        record = frame + 4 + struct.unpack_from("<I", data, 0)[0]
        at, _ = gc_link.image_offset(IMAGE, record)
        broken = bytearray(IMAGE)
        broken[at + 12:at + 16] = bytes(4)
        problems = gc_link.unwind_problems(MAP, bytes(broken))
        self.assertEqual(len(problems), 1, problems)
        self.assertIn(".text$" + name, problems[0])

    def test_unknown_shapes_fail(self):
        renamed = MAP.replace("\n .eh_frame$", "\n .eh_frame.", 1)
        self.assertIn("shape not known", gc_link.unwind_problems(renamed, IMAGE)[0])
        address, _ = gc_link.read_map(MAP)[2][".eh_frame"]
        at, _ = gc_link.image_offset(IMAGE, address)
        data = gc_link.image_bytes(IMAGE, address, 64)
        augmentation = data.index(b"zR", 8)
        broken = bytearray(IMAGE)
        broken[at + augmentation + 1] = ord("Q")
        self.assertIn("zQ", gc_link.unwind_problems(MAP, bytes(broken))[0])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
