"""scripts/debian-sources.py on apt sources as machines have them: the clean
Debian 12 root takes the machine's own mirror and nothing else."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "debian-sources.py")


def sources(files):
    """Runs the script on a folder laid out as /etc/apt with `files`."""
    with tempfile.TemporaryDirectory() as etc:
        os.mkdir(os.path.join(etc, "sources.list.d"))
        for name, text in files.items():
            with open(os.path.join(etc, name), "w") as f:
                f.write(text)
        return subprocess.run([sys.executable, SCRIPT, etc], capture_output=True, text=True)


class DebianSources(unittest.TestCase):
    def test_a_school_mirror_in_the_one_line_format(self):
        run = sources({"sources.list": (
            "# the school's mirror\n"
            "deb [ arch=amd64 signed-by=/usr/share/keyrings/school.gpg ] "
            "http://mirror.school.example/debian bookworm main contrib non-free\n"
            "deb http://mirror.school.example/debian bookworm-updates main # updates\n"
            "deb-src http://mirror.school.example/debian bookworm main\n"
            "deb http://mirror.school.example/debian trixie main\n"
            "deb http://vendor.example/debian bookworm stable\n")})
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, (
            "Types: deb\nURIs: http://mirror.school.example/debian\nSuites: bookworm\n"
            "Components: main\nSigned-By: /usr/share/keyrings/school.gpg\n\n"
            "Types: deb\nURIs: http://mirror.school.example/debian\nSuites: bookworm-updates\n"
            "Components: main\n"))

    def test_deb822_entries_keep_an_inline_key_and_leave_out_the_disabled(self):
        key = "Signed-By:\n -----BEGIN PGP PUBLIC KEY BLOCK-----\n .\n mQINBF\n"
        run = sources({"sources.list.d/debian.sources": (
            "Types: deb deb-src\nURIs: http://a.example/debian\n"
            "Suites: bookworm bookworm-security trixie\nComponents: main non-free\n" + key +
            "\nEnabled: no\nTypes: deb\nURIs: http://b.example/debian\nSuites: bookworm\n"
            "Components: main\n"),
            "sources.list.d/old.list.disabled": "deb http://c.example/debian bookworm main\n"})
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "Types: deb\nURIs: http://a.example/debian\n"
                         "Suites: bookworm bookworm-security\nComponents: main\n" + key)

    def test_a_machine_without_a_debian_12_mirror_is_told_so(self):
        run = sources({"sources.list": "deb http://a.example/debian trixie main\n"})
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stdout, "")
        self.assertIn("no Debian 12 (bookworm) mirror", run.stderr)


if __name__ == "__main__":
    unittest.main()
