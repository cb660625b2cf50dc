#include "support/test_support.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "exam/exam_folder_files.h"
#include "text/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace webexam::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "webexam-" + std::string(info ? info->name() : "test") + "-" +
                     std::to_string(random()) + "-" + std::to_string(counter++);
  path_ = fs::temp_directory_path() / name;
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only folders made by a test are opened up so that nothing is left.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::u16string TempDir::operator/(std::string_view name) const { return U16(path_ / name); }

std::u16string U16(const fs::path& path) { return FromUtf8(path.string()); }

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string Hex(std::string_view hex) {
  std::string bytes;
  int high = -1;
  for (char c : hex) {
    int value = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      bytes += static_cast<char>(high * 16 + value);
      high = -1;
    }
  }
  return bytes;
}

std::string Gbk(std::u16string_view text) {
#ifdef _WIN32
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int size = ::WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
  return bytes;
#else
  iconv_t cd = ::iconv_open("CP936", "UTF-16LE");
  std::string bytes(text.size() * 2, '\0');
  char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  std::size_t in_left = text.size() * 2;
  char* out = bytes.data();
  std::size_t out_left = bytes.size();
  const std::size_t rc = ::iconv(cd, &in, &in_left, &out, &out_left);
  ::iconv_close(cd);
  EXPECT_NE(rc, static_cast<std::size_t>(-1)) << "test text not in GBK";
  bytes.resize(bytes.size() - out_left);
  return bytes;
#endif
}

#ifdef _WIN32
namespace {

// Quotes one argument for the C runtime's parser: backslashes count as
// escapes only before a quote, so those there (and at the end, before the
// closing quote) are doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

}  // namespace

Process Spawn(const fs::path& program, const std::vector<std::string>& arguments,
              const fs::path& output, const fs::path& errors, const fs::path& input) {
  std::wstring command = Quoted(program.wstring());
  for (const std::string& argument : arguments) {
    command += L" " + Quoted(fs::path(FromUtf8(argument)).wstring());
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  auto open = [&](const fs::path& file) {
    return ::CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE out = open(output);
  HANDLE err = errors.empty() ? out : open(errors);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  HANDLE in = input.empty()
                  ? ::GetStdHandle(STD_INPUT_HANDLE)
                  : ::CreateFileW(input.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  startup.hStdInput = in;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
  if (!input.empty()) ::CloseHandle(in);
  ::CloseHandle(out);
  if (err != out) ::CloseHandle(err);
  EXPECT_TRUE(started) << "cannot start " << program;
  if (started) ::CloseHandle(process.hThread);
  return {reinterpret_cast<long long>(process.hProcess)};
}

int Wait(Process process) {
  HANDLE handle = reinterpret_cast<HANDLE>(process.id);
  if (!handle) return -1;
  ::WaitForSingleObject(handle, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(handle, &code);
  ::CloseHandle(handle);
  return static_cast<int>(code);
}
#else
Process Spawn(const fs::path& program, const std::vector<std::string>& arguments,
              const fs::path& output, const fs::path& errors, const fs::path& input) {
  std::vector<std::string> args{program.string()};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!input.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
  }
  if (errors.empty()) {
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(error, 0) << "cannot start " << program;
  return {pid};
}

int Wait(Process process) {
  int status = 0;
  while (::waitpid(static_cast<pid_t>(process.id), &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

void SubmitFromPcs(const fs::path& dir, const fs::path& share, int count,
                   const std::function<std::string(int)>& page, std::chrono::milliseconds delay) {
  const auto start = std::chrono::system_clock::now() + delay;
  const auto start_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count();
  std::vector<Process> pcs;
  for (int pc = 0; pc < count; ++pc) {
    const fs::path root = dir / ("pc" + std::to_string(pc));
    fs::create_directories(root / "620722001" / "web");
    WriteBytes(root / "620722001" / "web" / "index.htm", page(pc));
    pcs.push_back(Spawn(
        TestProgram("results_driver"),
        {"submit", root.string(), (share / "").string(), "JF" + std::to_string(100 + pc),
         std::to_string(120722001 + pc), "考生" + std::to_string(pc), std::to_string(start_ms)},
        root / "driver.out"));
  }
  for (int pc = 0; pc < count; ++pc) {
    const fs::path root = dir / ("pc" + std::to_string(pc));
    EXPECT_EQ(Wait(pcs[static_cast<std::size_t>(pc)]), 0) << ReadBytes(root / "driver.out");
    EXPECT_EQ(ReadBytes(root / "driver.out"), "") << "PC " << pc << " was shown a message";
  }
}

std::vector<std::string> CrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start + 2));
  }
  EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
  return lines;
}

GradeResult ResultOf(std::string_view marks) {
  GradeResult result;
  result.marks = Marks(static_cast<int>(marks.size()));
  for (int item = 1; item <= result.marks.Count(); ++item) {
    result.marks[item] = marks[static_cast<std::size_t>(item - 1)] == '1' ? 1 : 0;
    result.correct_count += result.marks[item];
  }
  return result;
}

namespace {
#ifdef _WIN32
constexpr std::string_view kExeSuffix = ".exe";
#else
constexpr std::string_view kExeSuffix = "";
#endif
}  // namespace

void SetEnvironment(const char* name, const std::optional<fs::path>& value) {
#ifdef _WIN32
  ::SetEnvironmentVariableW(fs::path(name).wstring().c_str(),
                            value ? value->wstring().c_str() : nullptr);
#else
  value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
#endif
}

fs::path TestProgram(std::string_view name) {
  return fs::path(WEBEXAM_TEST_BIN_DIR) / (std::string(name) + std::string(kExeSuffix));
}

fs::path BuiltProgram(std::string_view name) {
  return fs::path(WEBEXAM_BIN_DIR) / (std::string(name) + std::string(kExeSuffix));
}

fs::path DataFile(std::string_view name) { return fs::path(WEBEXAM_TEST_DATA) / name; }

fs::path ModelAnswer() { return fs::path(WEBEXAM_SOURCE_DIR) / "exam" / "model.htm"; }

const Exam& SampleExam() {
  static const Exam exam = [] {
    const std::unique_ptr<Platform> platform = MakePlatform();
    return LoadExam(*platform, U16(fs::path(WEBEXAM_SOURCE_DIR) / "exam"));
  }();
  return exam;
}

}  // namespace webexam::test
