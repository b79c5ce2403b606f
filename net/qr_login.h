#pragma once
// Signing in without a browser: the QQ login's QR code. The login page gives
// its signature (pt_login_sig), the QR picture its qrsig cookie; the program
// polls the login server with a token made from qrsig until the player has
// scanned and confirmed the code on the phone, then follows the check_sig
// address the server names and collects every answer's cookies as a browser
// store would. The result is the login host's cookie text, the same text a
// login in the window leaves.
//
// Texts here are UTF-8 (the login server answers in UTF-8, and the caller
// prints them on a terminal).
#include <optional>
#include <string>
#include <string_view>

#include "net/qr_modules.h"

namespace quillet {

class HttpClient;
class HostTable;
class Clock;

enum class QrLoginState {
    Waiting,   // 66: shown, not scanned yet
    Scanned,   // 67: scanned, waiting for the confirmation on the phone
    SignedIn,  // 0: confirmed, the session's cookies collected
};

enum class QrLoginFailure {
    None,
    Stopped,    // the caller asked to stop (Ctrl-C)
    LoginPage,  // the login page could not be loaded or gave no signature
    Picture,    // the QR picture is missing, not a PNG or holds no code
    Answer,     // a poll went unanswered or was not understood
    Refused,    // the server answered another code (its message is told)
    Expired,    // every code expired (the first and each refresh)
    Redirect,   // check_sig led to a foreign host, looped or failed
    NoSession,  // the login ended without the login host's skey cookie
};

struct QrLoginSettings {
    int poll_interval_ms = 1000;
    int refreshes = 3;  // new codes after an expired one, at most
    // A code still unscanned after this long counts as expired even when
    // the server keeps saying 66.
    int code_time_limit_ms = 300000;
    // Any one request of the login, whatever the server trickles.
    int request_time_limit_ms = 20000;
    int max_redirects = 8;
    // The scheme of the login server's own addresses (the login page, the
    // picture, the polls). Only tests against a plain loopback server change it.
    std::string secure_scheme = "https";
};

class QrLoginObserver {
  public:
    virtual ~QrLoginObserver() = default;
    // A new code to show: the server's picture and its modules; number 1
    // for the first code, 2.. for refreshed ones.
    virtual void code(const std::string& png, const QrModules& modules, int number) = 0;
    // Each change of state, once; qq and nickname with SignedIn.
    virtual void state(QrLoginState state, const std::string& qq, const std::string& nickname) = 0;
};

struct QrLoginResult {
    QrLoginFailure failure = QrLoginFailure::None;
    std::string message;  // one line when failed
    std::string cookies;  // the login host's cookie text when signed in
    std::string qq;
    std::string nickname;
};

// Runs the whole login on the calling thread. A stop request on the thread's
// stop signal (net/stop_signal.h) ends it within a fraction of a second.
QrLoginResult run_qr_login(HttpClient& http, const HostTable& hosts, Clock& clock,
                           QrLoginObserver& observer, const QrLoginSettings& settings = {});

// ---- the pieces, for the tests

// The poll token: h := h + (h << 5) + byte over qrsig, kept to 31 bits.
std::string qr_token(std::string_view qrsig);

// A poll answer "ptuiCB('66','0','','0','message', 'nickname')".
struct QrPollAnswer {
    std::string code;
    std::string url;
    std::string message;
    std::string nickname;
};
std::optional<QrPollAnswer> parse_qr_poll_answer(std::string_view body);

}  // namespace quillet
