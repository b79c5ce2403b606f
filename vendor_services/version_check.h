#pragma once
// The start-up version check of VersionWindow: asks the vendor's server for
// the current release; the running version is accepted only when the server
// names it exactly. Otherwise the window offers up to three downloads.
#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace quillet {

struct Session;

// The version file's address: "http://" + VENDOR_HOST + "/cf/res/ver.js?t=" + token.
std::string version_file_address(const Session& s);

// What a version file's answer says ("_cfver = {...};").
struct VersionFile {
    enum class Status { Read, Unreadable, NoVersion } status = Status::Unreadable;
    std::string version, details;  // "v", "d"
    struct Download {
        std::string address, password, title;  // "dNu", "dNp" (with an address), "dNt"
    };
    std::array<Download, 3> downloads;
};
// Reads a non-empty answer, every member on one engine budget: Unreadable
// when there is no literal, it does not evaluate or the budget runs out.
VersionFile read_version_file(std::string_view answer);

enum class VersionOutcome { Checking, Accepted, NewVersion, Failed };

// Its worker uses the object: keep it alive until s.jobs has been joined.
class VersionCheck {
  public:
    explicit VersionCheck(Session& s) : s_(s) {}

    // VersionWindow created: the title gets the running version, then start().
    void window_created();
    // Start the check (also the 按钮_重试 handler): prepares the window and
    // runs the check on a worker of s.jobs.
    void start();
    // The check itself (the worker's body), for callers that run it in place.
    void run();

    // 按钮_下载1..3 clicked (n = 1..3).
    void download_clicked(int n);
    // 按钮_更新详情 released: the vendor's home page.
    void details_clicked();

    VersionOutcome outcome() const;
    // The text 标签_提示 shows now.
    std::string message() const;
    std::string download_address(int n) const;
    std::string download_password(int n) const;

  private:
    void fail(const std::string& message);
    void set_outcome(VersionOutcome o);
    void say(const std::string& text);

    Session& s_;
    mutable std::mutex mutex_;
    std::array<std::string, 3> addresses_;
    std::array<std::string, 3> passwords_;
    VersionOutcome outcome_ = VersionOutcome::Checking;
    std::string message_;
};

}  // namespace quillet
