"""scripts/package-contents.py, which the package tests run on the real zips
and Debian packages, on zips laid out as a mistake would lay them out: the
check must catch a teacher's tool that slipped into the candidates' zip."""

import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "package-contents.py")
GUIDE = '<html><body><img src="data:image/png;base64,iVBORw0K"></body></html>'
CANDIDATES = {"webexam.exe": "", "webexam-check.exe": "", "1.txt": "", "aa/index.htm": "",
              "exam.sealed": ""}
TEACHERS = {"webexam-grade.exe": "", "webexam-results.exe": "", "webexam-exam.exe": "",
            "guide.zh-CN.html": GUIDE, "sample-exam/exam.txt": "", "sample-exam/model.htm": "",
            "sample-exam/1.txt": "", "sample-exam/aa/index.htm": ""}


class PackageContents(unittest.TestCase):
    def run_on(self, candidates, teachers):
        with tempfile.TemporaryDirectory() as folder:
            zips = []
            for name, files in (("webexam", candidates), ("webexam-teacher", teachers)):
                path = os.path.join(folder, name + ".zip")
                with zipfile.ZipFile(path, "w") as archive:
                    for file, text in files.items():
                        archive.writestr(f"{name}/{file}", text)
                zips.append(path)
            return subprocess.run([sys.executable, SCRIPT, *zips], capture_output=True, text=True)

    def test_packages_as_they_should_be_pass(self):
        run = self.run_on(CANDIDATES, TEACHERS)
        self.assertEqual(run.returncode, 0, run.stderr)

    def test_a_teachers_tool_or_the_guide_among_the_candidates_fails(self):
        for slipped in ("webexam-grade.exe", "webexam-results.exe", "webexam-exam.exe",
                        "tools/webexam-grade", "guide.zh-CN.html", "exam.txt",
                        "sample-exam/model.htm", "EXAM.TXT"):
            run = self.run_on({**CANDIDATES, slipped: GUIDE}, TEACHERS)
            self.assertEqual(run.returncode, 1, slipped)
            self.assertIn("webexam.zip holds", run.stderr)

    def test_packages_without_the_sealed_or_the_sample_exam_fail(self):
        candidates = {n: t for n, t in CANDIDATES.items() if n != "exam.sealed"}
        teachers = {n: t for n, t in TEACHERS.items() if n != "sample-exam/exam.txt"}
        run = self.run_on(candidates, teachers)
        self.assertEqual(run.returncode, 1)
        self.assertIn("lacks the exam's exam.sealed", run.stderr)
        self.assertIn("lacks the sample exam's sample-exam/exam.txt", run.stderr)

    def test_a_teachers_zip_without_its_tools_or_with_a_bare_guide_fails(self):
        run = self.run_on(CANDIDATES, {"webexam-results.exe": "",
                                       "guide.zh-CN.html": '<img src="sign-in.png">'})
        self.assertEqual(run.returncode, 1)
        self.assertIn("lacks webexam-grade", run.stderr)
        self.assertIn("does not carry its pictures inside", run.stderr)

    def test_a_name_that_is_not_ascii_fails(self):
        run = self.run_on({**CANDIDATES, "aa/图片.gif": ""}, TEACHERS)
        self.assertEqual(run.returncode, 1)
        self.assertIn("not ASCII", run.stderr)


if __name__ == "__main__":
    unittest.main()
