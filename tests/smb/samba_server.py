"""A real Samba server for the results share tests, and exam PCs that use it.

The server listens on 127.0.0.1:445 inside a network namespace of its own
(`unshare -n`), so that no packet leaves the loopback device and the port is
free whatever else runs on the machine. The test runs as the first process of
a PID namespace of its own too, so that when it ends, however it ends (a
failure, a time-out that kills it), the kernel ends smbd and every child
with it. Everything the server keeps lies in one temporary folder. It offers three shares of one folder, set up as the teacher's guide
sets up a share (folders made by one PC must take the files of the others):

  results   guest-writable, as a teacher's share for a room usually is; given
            a limit, it takes that many connections at once, as a Windows
            teacher PC serves twenty sessions
  readonly  the same folder, read only
  teacher   the same folder, for the account in TEACHER_USER only

Run with Debian's /usr/bin/python3: python3-samba (the SMB2 client that opens
files as the Windows client does) is installed for it.
"""

import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TEACHER_USER = "root"  # a Unix account every machine has
TEACHER_PASSWORD = "Kao shi 2026!"

NAMESPACE_FLAG = "WEBEXAM_IN_TEST_NETNS"


def enter_private_network():
    """Runs this script again inside a network namespace of its own with only
    the loopback device, up, as the first process of a PID namespace of its
    own. Returns when already inside them."""
    if os.environ.get(NAMESPACE_FLAG) == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        return
    env = dict(os.environ, **{NAMESPACE_FLAG: "1"})
    # -p -f: this script becomes process 1 of a new PID namespace, whose end
    # ends every process in it (--mount-proc: /proc then shows their ids as
    # this script sees them); --kill-child: and it ends when unshare is
    # killed (a test runner's time-out kills the process it started).
    unshare = ["unshare", "-n", "-p", "-f", "--mount-proc", "--kill-child"]
    if os.geteuid() != 0:
        unshare.insert(1, "-r")
    os.execvpe(unshare[0], unshare + [sys.executable] + sys.argv, env)


CONF = """[global]
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  lock directory = {d}/lock
  state directory = {d}/state
  cache directory = {d}/cache
  private dir = {d}/private
  pid directory = {d}/pid
  ncalrpc dir = {d}/ncalrpc
  binddns dir = {d}/binddns
  log file = {d}/log/log.%m
  passdb backend = tdbsam:{d}/private/passdb.tdb
  map to guest = Bad User
  guest account = nobody
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
  server min protocol = SMB2_02
  kernel oplocks = no
  kernel share modes = no
  registry shares = no

[results]
  path = {d}/share
  read only = no
  guest ok = yes
  create mask = 0777
  directory mask = 0777
  nt acl support = no
  max connections = {max_connections}

[readonly]
  path = {d}/share
  read only = yes
  guest ok = yes
  nt acl support = no

[teacher]
  path = {d}/share
  read only = no
  guest ok = no
  valid users = {user}
  force user = nobody
  create mask = 0777
  directory mask = 0777
  nt acl support = no
"""


class SambaServer:
    """smbd in the foreground, with its state in a temporary folder.

    Use as a context manager: the server is stopped, and its folder removed,
    however the block ends."""

    def __init__(self, max_connections=0):
        """`max_connections`: how many tree connects the results share
        takes at once; 0 for no limit."""
        self.dir = tempfile.mkdtemp(prefix="webexam-samba-")
        os.chmod(self.dir, 0o755)  # the guest account reaches the share through it
        self.share = os.path.join(self.dir, "share")
        self.conf = os.path.join(self.dir, "smb.conf")
        for sub in ("lock", "state", "cache", "private", "pid", "ncalrpc", "binddns", "log"):
            os.mkdir(os.path.join(self.dir, sub))
        os.mkdir(self.share)
        os.chmod(self.share, 0o777)
        with open(self.conf, "w") as f:
            f.write(CONF.format(d=self.dir, user=TEACHER_USER, max_connections=max_connections))
        subprocess.run(["pdbedit", "-s", self.conf, "-a", "-u", TEACHER_USER, "-t"],
                       input="%s\n%s\n" % (TEACHER_PASSWORD, TEACHER_PASSWORD), text=True,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.process = None

    def address(self, share="results"):
        return "smb://127.0.0.1/%s/" % share

    def start(self):
        log = open(os.path.join(self.dir, "log", "smbd.out"), "a")
        # smbd leads a process group of its own, which the children serving
        # connections join: stop() ends them all by that group's id.
        self.process = subprocess.Popen(
            ["smbd", "--foreground", "--no-process-group", "--debug-stdout", "-d", "1",
             "-s", self.conf], stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.time() + 20
        while time.time() < deadline:
            listening = subprocess.run(["ss", "-ltnH"], capture_output=True, text=True).stdout
            if "127.0.0.1:445" in listening:
                return
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("smbd did not start:\n" + self.log())

    def stop(self):
        """Stops smbd and every child serving a connection, at once: the
        server is gone as if its machine had been switched off."""
        if self.process is None:
            return
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        self.process = None
        for name in os.listdir(os.path.join(self.dir, "pid")):
            os.remove(os.path.join(self.dir, "pid", name))

    def connections(self):
        """What the server holds now, as smbstatus reads it from the
        server's own records: (clients connected, that is the smbd processes
        holding a session or a tree connect; tree connects to any share). A
        libsmbclient connection holds two sessions, one of them left "auth in
        progress", so sessions are not counted one by one."""
        status = subprocess.run(["smbstatus", "--json", "-s", self.conf], capture_output=True,
                                text=True, check=True).stdout
        state = json.loads(status)
        held = list(state.get("sessions", {}).values()) + list(state.get("tcons", {}).values())
        clients = {entry["server_id"]["pid"] for entry in held}
        return len(clients), len(state.get("tcons", {}))

    def log(self):
        try:
            with open(os.path.join(self.dir, "log", "smbd.out")) as f:
                return f.read()[-4000:]
        except OSError:
            return ""

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        shutil.rmtree(self.dir, ignore_errors=True)


# --- A Windows PC, as the server sees it ---

GENERIC_WRITE = 0x40000000
SYNCHRONIZE = 0x00100000
FILE_READ_ATTRIBUTES = 0x00000080
FILE_SHARE_READ = 0x1
FILE_OPEN_IF = 3
FILE_OVERWRITE_IF = 5
FILE_NON_DIRECTORY_FILE = 0x40
FILE_SYNCHRONOUS_IO_NONALERT = 0x20
SHARING_VIOLATION = 0xC0000043

# What CreateFileW(GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS) sends: the
# system adds SYNCHRONIZE and FILE_READ_ATTRIBUTES to every open.
WINDOWS_WRITE_ACCESS = GENERIC_WRITE | SYNCHRONIZE | FILE_READ_ATTRIBUTES
WINDOWS_CREATE_OPTIONS = FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT


def connect(share="results"):
    from samba import credentials
    from samba.samba3 import libsmb_samba_internal as libsmb
    from samba.samba3 import param as s3param
    lp = s3param.get_context()
    lp.load_default()
    creds = credentials.Credentials()
    creds.guess(lp)
    creds.set_anonymous()
    return libsmb.Conn("127.0.0.1", share, lp, creds)


def open_as_windows_writer(conn, name, disposition=FILE_OPEN_IF):
    return conn.create(name, DesiredAccess=WINDOWS_WRITE_ACCESS, ShareAccess=FILE_SHARE_READ,
                       CreateDisposition=disposition, CreateOptions=WINDOWS_CREATE_OPTIONS)


def status_of(error):
    return error.args[0] & 0xFFFFFFFF if error.args else None


class WindowsPc:
    """The Windows client's share step, over its own SMB connection: the log
    opened with write access sharing read only, the line written at the end
    of the file in one write, the file closed; then the computer marker made.
    A sharing violation is retried as the client retries it."""

    BUDGET = 15.0

    def __init__(self, share="results"):
        self.conn = connect(share)

    def append(self, name, line):
        from samba import NTSTATUSError
        deadline = time.time() + self.BUDGET
        pause = 0.02
        while True:
            try:
                fnum = open_as_windows_writer(self.conn, name)
                break
            except NTSTATUSError as error:
                if status_of(error) != SHARING_VIOLATION or time.time() >= deadline:
                    raise
            time.sleep(min(random.uniform(pause / 2, pause * 3 / 2),
                           max(0.0, deadline - time.time())))
            pause = min(pause * 2, 1.0)
        try:
            # SetFilePointerEx(FILE_END) asks the server for the size of the
            # open file; nobody else can write while this PC holds it. (This
            # client has no such query: the folder listing gives the size.)
            end = self.size(name)
            self.conn.write(fnum, line, end)
        finally:
            self.conn.close(fnum)

    def size(self, name):
        entries = [e for e in self.conn.list("", name) if e["name"] == name]
        return entries[0]["size"]

    def make_marker(self, name):
        fnum = open_as_windows_writer(self.conn, name, FILE_OVERWRITE_IF)
        self.conn.close(fnum)


def hold_log(name, seconds, ready, share="results"):
    """Holds `name` open as the Windows client does while it appends, for
    `seconds`; touches the file `ready` once it holds it."""
    conn = connect(share)
    fnum = open_as_windows_writer(conn, name)
    open(ready, "w").close()
    time.sleep(seconds)
    conn.close(fnum)


def windows_line(exam_number, name, computer):
    """The result line a Windows PC sends for a page that passes every item."""
    text = "%s\t%s\t%s\t22%s\r\n" % (exam_number, name, computer, "\t1" * 22)
    return text.encode("gbk")


def submit_as_windows(computer, exam_number, name, start_ms):
    """One Windows PC's share step at the moment `start_ms`. Prints nothing
    when the line and the marker are on the share, else what failed."""
    pc = WindowsPc()
    time.sleep(max(0.0, int(start_ms) / 1000 - time.time()))
    try:
        pc.append("cjwyzz.txt", windows_line(exam_number, name, computer))
        pc.make_marker(computer)
    except Exception as error:  # the test reads what went wrong
        print("not delivered: %r" % (error,))


USAGE = """usage: samba_server.py hold NAME SECONDS READY
       samba_server.py submit COMPUTER EXAM_NUMBER NAME START_MS"""

if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "hold":
        hold_log(sys.argv[2], float(sys.argv[3]), sys.argv[4])
    elif len(sys.argv) == 6 and sys.argv[1] == "submit":
        submit_as_windows(*sys.argv[2:])
    else:
        sys.exit(USAGE)
