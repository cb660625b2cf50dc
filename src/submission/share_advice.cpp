#include "submission/share_advice.h"

#include "state/exam_paths.h"
#include "submission/results_share.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using Kind = PlatformError::Kind;

// `\\server\share` of a UNC share path, as net use names the connection;
// a stand-in for any other path.
std::u16string NetUseName(const std::u16string& share) {
  if (!share.starts_with(u"\\\\")) return u"\\\\服务器\\共享名";
  const std::size_t server_end = share.find(u'\\', 2);
  if (server_end == std::u16string::npos) return share;
  const std::size_t share_end = share.find(u'\\', server_end + 1);
  return share.substr(0, share_end);
}

// Whether the failing operation was on something of this PC rather than on
// the share: the share's credentials file.
bool OnThisPc(const PlatformError& error, const std::u16string& share) {
  return !error.path().empty() && !error.path().starts_with(ToUtf8(share));
}

}  // namespace

std::u16string AccountInAddressAdvice(Platform& platform) {
  return u"共享的地址里不能写账户或密码（“@”和它前面的部分），本程序不用这样的地址。"
         u"请从地址里去掉它们，把账户存进凭据文件 " +
         ShownName(platform.CredentialsFile()) +
         u"：在每台用这个账户的电脑上运行 "
         u"webexam-check --save-credentials。";
}

std::u16string ShareFailureAdvice(Platform& platform, const PlatformError& error,
                                  const std::u16string& share) {
  const bool windows = platform.OnWindows();
  // A folder in the share log's place refuses every PC's line, whatever
  // error the platform gives for it (EISDIR, access denied).
  if (FromUtf8(error.path()).ends_with(kShareLogName) &&
      platform.PresenceOf(share + std::u16string(kShareLogName)) == Platform::Presence::kFolder) {
    return u"共享文件夹里的 cjwyzz.txt 是一个文件夹，不是文件，成绩写不进去。"
           u"请老师把这个文件夹移走或改名，交卷时会重新建出 cjwyzz.txt。";
  }
  switch (error.kind()) {
    case Kind::kGuestRefused:
      return std::u16string(
                 u"教师机不接受来宾（guest）登录（Windows 10/11 教育版、企业版和 Windows 11 "
                 u"专业版 24H2 默认如此）。请在教师机上建一个账户，再在每台考生机上运行 "
                 u"webexam-check --save-credentials 存入这个账户") +
             (windows ? u"。" : u"（或照指南写进凭据文件）。");
    case Kind::kLogonFailed:
      return std::u16string(
                 u"凭据文件里的账户名或密码不对，或者这个账户不能用这个共享。请重新运行 "
                 u"webexam-check --save-credentials") +
             (windows ? u"。" : u"（或改正凭据文件）。");
    case Kind::kOtherAccount:
      return u"本机已经用另一个账户连着这台服务器（本次登录里用 net use 连的）。请删掉那个连接"
             u"（net use " +
             NetUseName(share) + u" /delete）再试。";
    case Kind::kAccountInAddress:
      return AccountInAddressAdvice(platform);
    case Kind::kNoShare:
      return u"服务器上没有这个名字的共享。请核对 WEBEXAM_SHARE 里的共享名。";
    case Kind::kServerFull:
      return u"教师机现在不再接受连接（Windows 10/11 最多同时接待 20 台）。请在教师机上运行 "
             u"net config server /autodisconnect:1，大的机房请改用 Samba 或 Windows Server "
             u"的共享；别的机器交完后会自行恢复。";
    case Kind::kSigningRequired:
      return u"本机或服务器要求签名的连接，另一方给不了。请改用账户登录，不用来宾，"
             u"并用支持签名的服务器。";
    case Kind::kTransient:
      return u"连不到教师机。请检查教师机的名字、它是否开着、它的防火墙是否在专用网络上允许"
             u"“文件和打印机共享”，以及网络。";
    case Kind::kDenied:
      if (OnThisPc(error, share)) {
        // The credentials file: unreadable to this user, or readable to all.
        const std::u16string file = ShownName(FromUtf8(error.path()));
        return windows ? u"本机的 " + file + u" 不让读。请以管理员身份运行。"
                       : u"本机的 " + file +
                             u" 的权限不对。它应属于 root，组设为考生账户的组，"
                             u"权限 0640（chmod 0640 " +
                             file + u"）。";
      }
      return u"这个账户不能往共享里写。请检查教师机上这个共享的权限和文件夹（NTFS）权限。";
    case Kind::kNoSpace:
      return u"共享所在的磁盘满了。请在教师机上腾出空间。";
    default:
      return {};
  }
}

}  // namespace webexam
