#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The floor checker on small source trees: what it must refuse and let pass."""

import importlib.util
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "check-floors.py"
module_source = importlib.util.spec_from_file_location("check_floors", SCRIPT)
check_floors = importlib.util.module_from_spec(module_source)
module_source.loader.exec_module(check_floors)


def faults_of(files):
    """The faults found in a tree made of {path under src/: text}."""
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = Path(root) / "src" / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")
        return check_floors.check(Path(root))[0]


class FloorCheckTest(unittest.TestCase):
    def test_cases(self):
        # (what, files, expected text in a fault or None when the tree is sound)
        cases = [
            ("down a floor", {"ui/A.cpp": '#include "base/B.h"\n', "base/B.h": ""}, None),
            ("own folder", {"model/A.cpp": '#include "model/A.h"\n'}, None),
            ("backend uses base", {"backends/linux/X.cpp": '#include "base/E.h"\n'}, None),
            ("up a floor", {"base/A.cpp": '#  include "app/modMain.h"\n'}, "not below base"),
            ("beside on one floor", {"scanner/A.cpp": '#include "webshop/W.h"\n'},
             "not below scanner"),
            ("core reaches a backend", {"model/A.cpp": '#include "backends/linux/X.h"\n'},
             "nothing includes backends/linux"),
            ("backend reaches another", {"backends/null/A.cpp": '#include "backends/linux/X.h"\n'},
             "nothing includes backends/linux"),
            ("code in the seams", {"platform/Paths.cpp": ""}, "headers only"),
            ("Qt outside the shell", {"ui/A.cpp": "#include <QWidget>\n"}, "shell/qt"),
            ("Qt in the shell", {"shell/qt/A.cpp": "#include <QtWidgets/QWidget>\n"}, None),
            ("SQLite in the core", {"settings/A.cpp": "#include <sqlite3.h>\n"}, "backends/"),
            ("windows.h outside the wrapper", {"base/A.cpp": "#include <Windows.h>\n"},
             "platform/Windows.h"),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                faults = faults_of(files)
                if expected is None:
                    self.assertEqual(faults, [])
                else:
                    self.assertTrue(any(expected in f for f in faults), faults)

    def test_cycle_is_named(self):
        # A circle is reported with its folders in order.
        edges = {"a": {"b"}, "b": {"c"}, "c": {"a"}}
        self.assertEqual(check_floors.find_cycle(edges), ["a", "b", "c", "a"])
        self.assertIsNone(check_floors.find_cycle({"a": {"b"}, "b": set()}))

    def test_drawing_ranks_floors(self):
        dot = check_floors.drawing({("ui", "base"): 3, ("base", "platform"): 1})
        self.assertIn('"ui" -> "base" [label=3];', dot)
        self.assertLess(dot.index('"platform";'), dot.index('"ui";'))


if __name__ == "__main__":
    unittest.main()
