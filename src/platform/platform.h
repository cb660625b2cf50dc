// Everything the exam system needs of the operating system, stated by what the
// system needs rather than by what one OS offers. The core reaches the OS only
// through this class; posix/ and win32/ implement it, and tests wrap it to
// inject faults.
//
// Paths and names are UTF-16 text. Every failing operation throws
// PlatformError, except where a method says otherwise.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform_error.h"

namespace webexam {

enum class Listing {
  kFilesOnly,        // ordinary files only
  kFilesAndFolders,  // ordinary files and folders
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Paths ---

  // The separator between the parts of a path: '\\' on Windows, '/' on POSIX.
  virtual char16_t PathSeparator() const = 0;

  // Whether the system is Windows: where the teacher's tools keep their own
  // files, which paths reach the network, and the words that tell a teacher
  // what to do (run as administrator, net use) differ there.
  virtual bool OnWindows() const = 0;

  // The folder holding the running program file, without a trailing separator.
  virtual std::u16string ProgramFolder() = 0;

  // Where an installed program looks for its exam besides the folder that
  // holds it (see FindExamFolder): the PC's own exam folder, which a teacher
  // fills, and the sample exam shipped with the program. Empty texts where
  // the exam travels only beside the program (the default: Windows).
  struct InstalledExamFolders {
    std::u16string teacher;
    std::u16string sample;
  };
  virtual InstalledExamFolders ExamFoldersOfInstall() { return {}; }

  // An environment variable, or nothing when it is unset.
  virtual std::optional<std::u16string> Environment(const char* name) = 0;

  // The folder that stands for drive C: ("C:" on Windows; $WEBEXAM_ROOT or
  // $HOME/webexam on POSIX), without a trailing separator.
  virtual std::u16string DriveRoot() = 0;

  // The results share path as built in, used when WEBEXAM_SHARE is unset; it
  // ends with the separator.
  virtual std::u16string DefaultResultsShare() = 0;

  // --- Listing and the file system ---

  // Asks the file system for this one exact path and returns the bare name of
  // the entry as stored on disk, or an empty text when there is none of the
  // asked kind. Hidden (and on Windows, system) entries are never found. On
  // Windows the lookup ignores case; on POSIX it is exact. Never throws.
  virtual std::u16string ListPath(const std::u16string& path, Listing what) = 0;

  // What stands at `path`, asked of the file system (or the share's server)
  // for that one name, never by listing its folder: a share may let
  // candidates add files to a folder without seeing what is in it.
  // kUnknown where the answer is neither "there" nor "not there" (access to
  // the entry refused, the server gone). Hidden entries count. Never throws.
  enum class Presence { kAbsent, kFile, kFolder, kUnknown };
  virtual Presence PresenceOf(const std::u16string& path) = 0;

  virtual void RemoveFile(const std::u16string& path) = 0;
  virtual void MakeFolder(const std::u16string& path) = 0;

  // Copies one file; an existing destination is replaced.
  virtual void CopyOneFile(const std::u16string& from, const std::u16string& to) = 0;

  // Copies the folder `from` with all its files and folders to `to`, which is
  // created; files already at the destination are overwritten.
  virtual void CopyFolderTree(const std::u16string& from, const std::u16string& to) = 0;

  // Removes `path` (a file or a folder with everything in it, read-only,
  // hidden and system entries included) and returns once it is gone. A
  // missing path is no error.
  virtual void RemoveTree(const std::u16string& path) = 0;

  // Removes what can be removed of `path`, as RemoveTree does, but goes on
  // past an entry that cannot be removed (a file another program holds open,
  // a folder this user may not change): everything else goes. Returns one
  // error for each entry left, naming its path; a folder left only because
  // something in it was left is not named again. Empty when all is gone; a
  // missing path is no error.
  virtual std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) = 0;

  // The bare names of the ordinary files in `folder`, in no set order;
  // folders and hidden (on Windows also system) entries are left out, as
  // ListPath leaves them out. For the teachers' tools, which read the
  // markers on the results share.
  virtual std::vector<std::u16string> ListFiles(const std::u16string& folder) = 0;

  // The bytes this user may still write on the drive that holds `path`.
  virtual std::uint64_t FreeSpace(const std::u16string& path) = 0;

  // The size in bytes of a file, or of all the files in a folder at every
  // level.
  virtual std::uint64_t TreeSize(const std::u16string& path) = 0;

  // How appends to the files in `folder` are kept from overlapping those of
  // other PCs. A FUSE mount (a desktop's smb:// places, smbnetfs) takes every
  // lock on this PC alone: through it, two PCs appending at once overwrite
  // each other. Never throws.
  struct ShareLocking {
    bool other_pcs_kept_out = true;
    // For a FUSE mount of an SMB share, the smb:// address of that share
    // (and of the folder in it) where the mount names it; else empty.
    std::u16string smb_address;
  };
  virtual ShareLocking LockingOf(const std::u16string& folder) = 0;

  // --- File content ---

  enum class IfMissing { kFail, kCreateEmpty };

  // Opens the file for reading as bytes and returns its first `limit` bytes
  // (the whole file when it is shorter). With kCreateEmpty a missing file in
  // an existing folder is created empty first.
  virtual std::string ReadHead(const std::u16string& path, std::size_t limit,
                               IfMissing if_missing) = 0;

  // Opens for appending (created when absent), writes `bytes`, closes.
  virtual void AppendToFile(const std::u16string& path, std::string_view bytes) = 0;

  // Appends `bytes` holding the file exclusively against other writers for the
  // one write: on Windows, and on POSIX for an SMB address (smb://server/share/
  // or \\server\share\), an open that lets others read but not write, which
  // the server enforces between PCs; for any other POSIX path an exclusive
  // lock on the open file. The open asks for no read access (on Windows for
  // append-data alone), so that a log candidates may not read still takes
  // the bytes. The bytes go in one write. A failed write leaves the file as
  // it was where the open may cut it short; where it may not (the Windows
  // open) and part of the bytes went in, the error's part_written() says
  // so. Tries once: contention throws a PlatformError of Kind::kBusy, a
  // passing network fault one of Kind::kTransient; the caller decides about
  // retries.
  virtual void AppendExclusively(const std::u16string& path, std::string_view bytes) = 0;

  // Opens for output (created when absent, emptied when present), writes
  // `bytes`, closes. With no bytes this makes an empty marker file.
  virtual void WriteFile(const std::u16string& path, std::string_view bytes) = 0;

  // Creates the file `path`, which must not exist, and writes `bytes`: an
  // entry already there (a file or a folder) is left as it is, and the call
  // throws a PlatformError of Kind::kExists. The test and the creation are
  // one step on the file system or the server, so two writers never both
  // succeed. The file is opened for writing alone (on Windows for
  // append-data alone), so that a folder whose files candidates may not read
  // or change still takes it. A folder on the way that is missing throws
  // Kind::kNotFound.
  virtual void WriteNewFile(const std::u16string& path, std::string_view bytes) = 0;

  // Writes `bytes` to a temporary file beside `path` ("<path>.tmp") and
  // renames it over `path`, so that a reader (a browser reloading a page)
  // sees the old file or the new one, never half of either. When the write
  // or the rename fails the old file stays whole and the temporary goes.
  virtual void ReplaceWholeFile(const std::u16string& path, std::string_view bytes) = 0;

  // --- The results share's server ---

  // Makes this program's own connection to the server that holds `share` (a
  // results share path, ending with the separator), for the file operations
  // on it that follow. On Windows an elevated program does not see the
  // connections the user made (net use, cmdkey): this one is made in the
  // program's own logon session. Where the share is a folder of this PC (or
  // a mounted one) nothing is done. Throws a PlatformError whose kind says
  // why the server refused (Kind::kGuestRefused, kLogonFailed, kOtherAccount,
  // kNoShare, kSigningRequired), or Kind::kServerFull or kTransient for a
  // refusal that may pass.
  virtual void ConnectShare(const std::u16string& share) = 0;

  // Ends this program's connection to the server of `share`, made by
  // ConnectShare or by the file operations, so that the server's session is
  // free for another PC. The next operation on the share connects afresh.
  // Never throws.
  virtual void DisconnectShare(const std::u16string& share) = 0;

  // Where the account for the share's server is kept (see ShareAccount):
  // $WEBEXAM_SMB_CREDENTIALS when set, else on Windows
  // %ProgramData%\webexam\smb-credentials, on POSIX
  // /etc/webexam/smb-credentials.
  virtual std::u16string CredentialsFile() = 0;

  // Writes a file only administrators may read, such as the credentials
  // file, replacing an older one: its folder is made when missing, and the
  // bytes go to a new file in that folder first, put in the old one's place
  // in one step, so that a half-written file never stands. On Windows the
  // file's access list is protected and grants SYSTEM and the Administrators
  // group alone; on POSIX its mode is 0640 whatever the umask, in the group
  // of the file it replaces.
  virtual void WriteSecretFile(const std::u16string& path, std::string_view bytes) = 0;

  // --- The desktop and the machine ---

  // Opens a document with the desktop's default viewer for its type, detached:
  // no console window, nothing left behind when the viewer ends. Throws when
  // the desktop says it cannot: on Windows when ShellExecute fails, on POSIX
  // when xdg-open cannot be started or ends with a failure status within a
  // few seconds (see PosixPlatform); a viewer still running then is taken as
  // opened.
  virtual void OpenDocument(const std::u16string& path) = 0;

  // The program OpenDocument would start for a document like `path`, or an
  // empty text when there is none: on Windows the program associated with
  // the file's type, on POSIX xdg-open as found on PATH. Never throws.
  virtual std::u16string DocumentViewer(const std::u16string& path) = 0;

  // What DocumentViewer's program hands a document like `path` on to.
  struct DocumentHandler {
    // As the desktop names it, empty when it has none for the document's
    // type: on Windows the associated program (DocumentViewer's); on POSIX
    // the desktop entry that `xdg-mime query default` gives for the type
    // (text/plain for a .txt name), "org.xfce.mousepad.desktop", where that
    // entry is found.
    std::u16string name;
    // A program the handler needs that this PC lacks, empty when none: on
    // POSIX the entry's own program, or for an entry that runs in a terminal
    // the terminal xdg-open starts it in ($TERMINAL, else
    // x-terminal-emulator). Never on Windows.
    std::u16string missing;
  };
  // Never throws.
  virtual DocumentHandler HandlerOfDocument(const std::u16string& path) = 0;

  // The computer's name as the OS reports it, read afresh on every call.
  virtual std::u16string ComputerName() = 0;

  // --- Text: GBK, code page 936 ---

  // Decodes GBK bytes. A byte sequence that is not a GBK character (a lone or
  // cut lead byte, 0xFF, a code of the user-defined areas) becomes U+FFFD,
  // which no probe text holds; a lead byte with a byte that may follow it is
  // taken as one bad character, as Windows does.
  virtual std::u16string DecodeGbk(std::string_view bytes) = 0;

  // Encodes text as GBK. Throws when a character has no GBK form: nothing is
  // ever written as '?'.
  virtual std::string EncodeGbk(std::u16string_view text) = 0;

  // Whether EncodeGbk would succeed. Never throws.
  virtual bool CanEncodeGbk(std::u16string_view text) = 0;

  // --- Time, for retries ---

  virtual void Sleep(std::chrono::milliseconds duration) = 0;
  virtual std::chrono::steady_clock::time_point Now() = 0;
};

// The platform of the operating system this program was built for.
std::unique_ptr<Platform> MakePlatform();

}  // namespace webexam
