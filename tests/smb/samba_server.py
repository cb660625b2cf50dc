"""A real Samba server for the results share tests, and exam PCs that use it.

The server listens on 127.0.0.1:445 inside a network namespace of its own
(`unshare -n`), so that no packet leaves the loopback device and the port is
free whatever else runs on the machine. The test runs as the first process of
a PID namespace of its own too, so that when it ends, however it ends (a
failure, a time-out that kills it), the kernel ends smbd and every child
with it. Everything the server keeps lies in one temporary folder. It offers
shares set up as the teacher's guide sets up a share (folders made by one PC
must take the files of the others):

  results   guest-writable, as a teacher's share for a room usually is; given
            a limit, it takes that many connections at once, as a Windows
            teacher PC serves twenty sessions
  readonly  the same folder, read only
  teacher   the same folder, for the account in TEACHER_USER only
  locked    a folder of its own, for the candidates' account and the
            teacher's, whose NT access lists (lock_down) let candidates add
            to it but not read, list or change it

Run with Debian's /usr/bin/python3: python3-samba (the SMB2 client that opens
files as the Windows client does) is installed for it, and samba-vfs-modules
(acl_xattr) for the locked share.
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
# The account every exam PC logs on with, on the share candidates may add to
# but not read: another Unix account every machine has.
CANDIDATE_USER = "daemon"
CANDIDATE_PASSWORD = "Jiao juan 2026!"

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

[locked]
  path = {d}/locked
  read only = no
  guest ok = no
  valid users = {candidate} {user}
  vfs objects = acl_xattr
  acl_xattr:ignore system acls = yes
  inherit owner = windows and unix
  create mask = 0777
  directory mask = 0777

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


# --- The locked share's access lists, in NT access masks ---

OWNER_RIGHTS = "S-1-3-4"
FILE_READ_ATTRIBUTES_ = 0x00000080
# On a folder: add a file (0x2), pass through (0x20), read its attributes;
# never list (0x1), add a folder (0x4) or delete what is in it (0x40).
FOLDER_ADDS = 0x001000A2
# On a file: its attributes (size, times) and no more.
FILE_SEES_ITSELF = 0x00100080
# The log of a room of Windows PCs: append-data, read-attributes, synchronize.
LOG_ACCESS_WINDOWS = 0x00100084
# Where Linux PCs append too: libsmbclient's write-only open asks for
# 0x00120116 (write-data, append-data, write-EA, write-attributes,
# read-control, synchronize), each of them needed, measured against this
# server; read-attributes stays granted for the size asked by path.
LOG_ACCESS_LINUX = 0x00120196


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
        self.locked = os.path.join(self.dir, "locked")
        os.mkdir(self.locked)
        os.chmod(self.locked, 0o777)
        with open(self.conf, "w") as f:
            f.write(CONF.format(d=self.dir, user=TEACHER_USER, candidate=CANDIDATE_USER,
                                max_connections=max_connections))
        for user, password in ((TEACHER_USER, TEACHER_PASSWORD),
                               (CANDIDATE_USER, CANDIDATE_PASSWORD)):
            subprocess.run(["pdbedit", "-s", self.conf, "-a", "-u", user, "-t"],
                           input="%s\n%s\n" % (password, password), text=True,
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.process = None

    def smbcacls(self, name, *args):
        """smbcacls on `name` in the locked share, as the teacher; returns
        what it printed."""
        return self.as_teacher(["smbcacls", "-s", self.conf, "//127.0.0.1/locked", name,
                                "-U", "%s%%%s" % (TEACHER_USER, TEACHER_PASSWORD)] + list(args))

    def as_teacher(self, command):
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError("%s: %s%s" % (" ".join(command), result.stdout, result.stderr))
        return result.stdout

    def lock_down(self, log_access=LOG_ACCESS_WINDOWS):
        """Sets the locked share up with the commands of the teacher's guide:
        the teacher makes the log and pages through the share, then owns
        everything and may do anything; candidates may add files to the
        share and to pages but not list, read, change or delete them, and
        may only append to cjwyzz.txt (`log_access`: what the log grants
        them). OWNER RIGHTS keeps a candidate who owns a file from changing
        its access list."""
        empty = os.path.join(self.dir, "empty")
        open(empty, "w").close()
        self.as_teacher(["smbclient", "-s", self.conf, "//127.0.0.1/locked",
                         "-U", "%s%%%s" % (TEACHER_USER, TEACHER_PASSWORD),
                         "-c", "put %s cjwyzz.txt; mkdir pages" % empty])
        folder = ",".join([
            "OWNER:%s,GROUP:%s" % (TEACHER_USER, TEACHER_USER),
            "ACL:%s:ALLOWED/OI|CI/FULL" % TEACHER_USER,
            "ACL:%s:ALLOWED/0x0/0x%08x" % (CANDIDATE_USER, FOLDER_ADDS),
            "ACL:%s:ALLOWED/OI|IO/0x%08x" % (CANDIDATE_USER, FILE_SEES_ITSELF),
            "ACL:%s:ALLOWED/OI|CI|IO/0x%08x" % (OWNER_RIGHTS, FILE_SEES_ITSELF)])
        self.smbcacls("/", "--set", folder)
        self.smbcacls("pages", "--set", folder)
        self.lock_down_log(log_access)

    def lock_down_log(self, log_access):
        """Gives candidates `log_access` to cjwyzz.txt and no more."""
        self.smbcacls("cjwyzz.txt", "--set", ",".join([
            "OWNER:%s,GROUP:%s" % (TEACHER_USER, TEACHER_USER),
            "ACL:%s:ALLOWED/0x0/FULL" % TEACHER_USER,
            "ACL:%s:ALLOWED/0x0/0x%08x" % (CANDIDATE_USER, log_access),
            "ACL:%s:ALLOWED/0x0/0x%08x" % (OWNER_RIGHTS, FILE_SEES_ITSELF)]))

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

FILE_APPEND_DATA = 0x00000004
FILE_CREATE = 2
OBJECT_NAME_COLLISION = 0xC0000035

# What the Windows client's CreateFileW(FILE_APPEND_DATA, FILE_SHARE_READ,
# OPEN_ALWAYS or CREATE_NEW) sends for the log, a marker and a page: the
# system adds SYNCHRONIZE and FILE_READ_ATTRIBUTES to every open.
WINDOWS_APPEND_ACCESS = FILE_APPEND_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES
WINDOWS_CREATE_OPTIONS = FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT


def connect(share="results", user=None, password=None):
    """A connection to `share` as a guest, or with the account given."""
    from samba import credentials
    from samba.samba3 import libsmb_samba_internal as libsmb
    from samba.samba3 import param as s3param
    lp = s3param.get_context()
    lp.load_default()
    creds = credentials.Credentials()
    creds.guess(lp)
    if user is None:
        creds.set_anonymous()
    else:
        creds.set_username(user)
        creds.set_password(password)
    return libsmb.Conn("127.0.0.1", share, lp, creds)


def open_as_windows_writer(conn, name, disposition=FILE_OPEN_IF):
    return conn.create(name, DesiredAccess=WINDOWS_APPEND_ACCESS, ShareAccess=FILE_SHARE_READ,
                       CreateDisposition=disposition, CreateOptions=WINDOWS_CREATE_OPTIONS)


def status_of(error):
    return error.args[0] & 0xFFFFFFFF if error.args else None


class WindowsPc:
    """The Windows client's share step, over its own SMB connection, making
    the opens the Windows client makes (the same access mask, share mode and
    disposition): the log opened for append-data alone sharing read only,
    the line written at the end of the file in one write, the file closed;
    then the computer marker and the graded page created new, a marker
    already there being as good. A sharing violation is retried as the
    client retries it. What NTFS itself does with these opens only a real
    Windows room confirms: this shows what a Samba server does with them.

    `disk`: the share's folder on the server's disk, where the share does
    not let this account list the log's folder (see size)."""

    BUDGET = 15.0

    def __init__(self, share="results", user=None, password=None, disk=None):
        self.conn = connect(share, user, password)
        self.disk = disk

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
            # open file (read-attributes allows it); nobody else can write
            # while this PC holds it.
            end = self.size(name)
            self.conn.write(fnum, line, end)
        finally:
            self.conn.close(fnum)

    def size(self, name):
        """The size the client asks of the open file. This client has no such
        query: the folder listing gives it, or where the listing is refused
        the server's own disk."""
        if self.disk is not None:
            return os.path.getsize(os.path.join(self.disk, name.replace("\\", "/")))
        entries = [e for e in self.conn.list("", name) if e["name"] == name]
        return entries[0]["size"]

    def create_new(self, name, data=b""):
        """Creates `name` with `data`; one already there is left alone and
        False returned."""
        from samba import NTSTATUSError
        try:
            fnum = open_as_windows_writer(self.conn, name, FILE_CREATE)
        except NTSTATUSError as error:
            if status_of(error) != OBJECT_NAME_COLLISION:
                raise
            return False
        try:
            if data:
                self.conn.write(fnum, data, 0)
        finally:
            self.conn.close(fnum)
        return True

    def make_marker(self, name):
        self.create_new(name)


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
