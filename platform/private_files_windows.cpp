#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/folders.h"
#include "platform/private_files.h"
#include "platform/wide_windows.h"

namespace quillet::platform {

namespace fs = std::filesystem;

namespace {

std::string last_error_text() {
    wchar_t* buf = nullptr;
    const DWORD code = GetLastError();
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text = buf != nullptr ? utf8_of(buf) : "error " + std::to_string(code);
    if (buf != nullptr) LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The current user's SID (from the process token).
std::vector<unsigned char> current_user_sid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buf(size);
    std::vector<unsigned char> sid;
    if (size > 0 && GetTokenInformation(token, TokenUser, buf.data(), size, &size)) {
        PSID p = reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid;
        const DWORD n = GetLengthSid(p);
        sid.resize(n);
        CopySid(n, sid.data(), p);
    }
    CloseHandle(token);
    return sid;
}

// A protected access list with one entry: the current user, full control.
struct PrivateAcl {
    std::vector<unsigned char> sid, acl;
    bool make() {
        sid = current_user_sid();
        if (sid.empty()) return false;
        const DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid.data());
        acl.assign(size, 0);
        auto* a = reinterpret_cast<ACL*>(acl.data());
        return InitializeAcl(a, size, ACL_REVISION) &&
               AddAccessAllowedAceEx(a, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                     GENERIC_ALL, sid.data());
    }
    ACL* get() { return reinterpret_cast<ACL*>(acl.data()); }
};

bool well_known(PSID sid, WELL_KNOWN_SID_TYPE type) {
    unsigned char buf[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buf;
    return CreateWellKnownSid(type, nullptr, buf, &size) && EqualSid(sid, buf);
}

// An account's name for messages ("DOMAIN\\user"), else its SID text.
std::string sid_name(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD name_size = 256, domain_size = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use))
        return domain_size > 0 ? utf8_of(domain) + "\\" + utf8_of(name) : utf8_of(name);
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return "others";
    std::string out = utf8_of(text);
    LocalFree(text);
    return out;
}

}  // namespace

bool write_private_file(const fs::path& file, std::string_view text, std::string& error) {
    PrivateAcl acl;
    SECURITY_DESCRIPTOR sd;
    if (!acl.make() || !InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&sd, TRUE, acl.get(), FALSE) ||
        !SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        error = "cannot write " + utf8_of_path(file) + ": " + last_error_text();
        return false;
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
    const fs::path temp = file.parent_path() / (L"." + file.filename().wstring() + L"." +
                                                std::to_wstring(GetCurrentProcessId()) + L"." +
                                                std::to_wstring(GetTickCount64()) + L".tmp");
    const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, &sa, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write " + utf8_of_path(file) + ": " + last_error_text();
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < text.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
        ok = WriteFile(h, text.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    ok = ok && FlushFileBuffers(h);
    ok = CloseHandle(h) && ok;
    ok = ok && MoveFileExW(temp.c_str(), file.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        error = "cannot write " + utf8_of_path(file) + ": " + last_error_text();
        DeleteFileW(temp.c_str());
        return false;
    }
    // A rename keeps the temporary file's list; say so again in case the
    // file system dropped it.
    make_private(file);
    return true;
}

bool make_private(const fs::path& path) {
    PrivateAcl acl;
    if (!acl.make()) return false;
    std::wstring name = path.wstring();
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, acl.get(), nullptr) == ERROR_SUCCESS;
}

Privacy file_privacy(const fs::path& file, std::string& detail) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    const DWORD rc = GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, &dacl, nullptr, &sd);
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        detail = last_error_text();
        return Privacy::Unknown;
    }
    std::unique_ptr<void, decltype(&LocalFree)> owner(sd, &LocalFree);
    if (dacl == nullptr) {
        detail = "it has no access list: everyone may read it";
        return Privacy::OpenToOthers;
    }
    const auto user = current_user_sid();
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &allowed->SidStart;
        if (!user.empty() && EqualSid(sid, const_cast<unsigned char*>(user.data()))) continue;
        if (well_known(sid, WinLocalSystemSid) || well_known(sid, WinBuiltinAdministratorsSid) ||
            well_known(sid, WinCreatorOwnerSid))
            continue;
        detail = "its access list lets " + sid_name(sid) + " in";
        return Privacy::OpenToOthers;
    }
    return Privacy::Private;
}

std::string private_fix_command(const fs::path& file) {
    return "icacls \"" + utf8_of_path(file) + "\" /inheritance:r /grant:r \"%USERNAME%\":F";
}

}  // namespace quillet::platform
