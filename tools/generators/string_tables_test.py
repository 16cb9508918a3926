#!/usr/bin/env python3
"""Tests of string_tables.py: the real English table and ids, and a copy made
faulty in one way per case. Prints unittest's "OK" when all pass."""
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import string_tables  # noqa: E402

IDS = os.path.join(ROOT, "host", "resource_ids.h")
ENGLISH = os.path.join(ROOT, "host", "resources", "strings", "en-US.rc")
CODE_TABLE = os.path.join(ROOT, "desktop", "windows", "l10n_handler", "resource_l10n_handler.cc")


class StringTablesTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.strings = os.path.join(self.dir, "strings")
        os.mkdir(self.strings)
        shutil.copy(ENGLISH, self.strings)
        with open(ENGLISH, encoding="utf-8") as f:
            self.english = f.read()
        # German: the English texts under German's LANGUAGE.
        self.write_table("de", self.english.replace("LANGUAGE 0x09, 0x01", "LANGUAGE 0x07, 0x01"))
        self.write_list("en-US\nde\n")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def write_table(self, code, text):
        with open(os.path.join(self.strings, code + ".rc"), "w", encoding="utf-8") as f:
            f.write(text)

    def write_list(self, text):
        with open(os.path.join(self.dir, "languages.txt"), "w", encoding="utf-8") as f:
            f.write(text)

    def run_check(self):
        problems, entries = string_tables.check(
            IDS, os.path.join(self.dir, "languages.txt"), self.strings, CODE_TABLE)
        return problems, entries

    def assert_refused(self, *expected):
        problems, _ = self.run_check()
        self.assertTrue(problems, "the check passed")
        for text in expected:
            self.assertTrue(any(text in p for p in problems), (text, problems))

    def replace_in_german(self, old, new):
        text = self.english.replace("LANGUAGE 0x09, 0x01", "LANGUAGE 0x07, 0x01")
        self.assertIn(old, text)
        self.write_table("de", text.replace(old, new, 1))

    def test_sound_tables_pass_and_list_loses_its_last_line_feed(self):
        problems, entries = self.run_check()
        self.assertEqual([], problems)
        self.assertEqual(["en-US", "de"], entries)
        out_rc = os.path.join(self.dir, "out.rc")
        out_list = os.path.join(self.dir, "out.txt")
        self.assertEqual(0, string_tables.main(
            ["x", IDS, os.path.join(self.dir, "languages.txt"), self.strings, CODE_TABLE,
             out_rc, out_list]))
        with open(out_list, encoding="utf-8") as f:
            self.assertEqual("en-US\nde", f.read())

    def test_refusals(self):
        cases = [
            ("listed without table", lambda: self.write_list("en-US\nde\nfr\n"),
             ["fr is listed but has no table"]),
            ("table not listed", lambda: self.write_list("en-US\n"), ["de is not in the language list"]),
            ("empty entry", lambda: self.write_list("en-US\n\nde\n"), ["empty entry"]),
            ("listed twice", lambda: self.write_list("en-US\nde\nDE\n"), ["listed 2 times"]),
            ("missing id", lambda: self.replace_in_german('  IDS_BUTTON_OK "OK"\n', ""),
             ["IDS_BUTTON_OK (37001) is missing"]),
            ("empty text", lambda: self.replace_in_german('"OK"', '""'), ["IDS_BUTTON_OK (37001) is empty"]),
            ("unknown id", lambda: self.replace_in_german('IDS_BUTTON_OK "OK"', 'IDS_BUTTON_OKAY "OK"'),
             ["IDS_BUTTON_OKAY is not a string id"]),
            ("lost placeholder", lambda: self.replace_in_german("drive $1 ($2 MB needed)", "drive $1"),
             ["IDS_DRIVE_SPACE_NEEDED (37077) has placeholders"]),
            ("changed link", lambda: self.replace_in_german('href=""tos""', 'href=""terms""'),
             ["IDS_TERMS_LINE (37005)"]),
            ("lost accelerator", lambda: self.replace_in_german('"&Back"', '"Back"'),
             ["IDS_BUTTON_BACK (37010)"]),
            ("wrong LANGUAGE", lambda: self.write_table(
                "de", self.english.replace("LANGUAGE 0x09, 0x01", "LANGUAGE 0x07, 0x02")),
             ["LANGUAGE gives 0x0807, the code table 0x0407"]),
            ("unknown code", lambda: (self.write_list("en-US\nde\nxx\n"),
                                      self.write_table("xx", self.english)),
             ["xx has no LANGID"]),
            ("shared LANGID", lambda: (self.write_list("en-US\nde\nen\n"),
                                       self.write_table("en", self.english)),
             ["LANGID 0x0409 is also"]),
            ("shared accelerator on one page",
             lambda: self.replace_in_german('"Get &full installer"', '"Get the full installer &by download"'),
             ["IDS_BUTTON_BACK and IDS_BUTTON_FULL_INSTALLER share the accelerator 'b' on the error page"]),
            ("unreadable line", lambda: self.replace_in_german('IDS_BUTTON_OK "OK"', 'IDS_BUTTON_OK "OK'),
             ["cannot read this line"]),
        ]
        for name, spoil, expected in cases:
            with self.subTest(name):
                self.setUp()
                try:
                    spoil()
                    self.assert_refused(*expected)
                finally:
                    self.tearDown()


if __name__ == "__main__":
    unittest.main()
