#pragma once
// Files only the user may read (cookies, the ledger, account profiles).
// POSIX: mode 0600 (folders 0700). Windows: a protected access list that
// grants the current user alone; files that merely inherit the profile
// folder's list (the user, SYSTEM and the Administrators) count as private
// too, as that is how Windows keeps %APPDATA% the user's own.
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet::platform {

// Writes text to file through a temporary file beside it (flushed to disk,
// then renamed over the target), so a reader sees the old text or the new,
// never half of one; the result is private. false with a message.
bool write_private_file(const std::filesystem::path& file, std::string_view text,
                        std::string& error);

// Makes an existing file or folder the user's alone; false when it cannot.
bool make_private(const std::filesystem::path& path);

enum class Privacy { Private, OpenToOthers, Unknown };
// Whether others may get at file (a link is judged by its target). detail
// says how ("mode 0644", "its access list lets others in") or why unknown.
Privacy file_privacy(const std::filesystem::path& file, std::string& detail);
// The command that makes file private, for messages ("chmod 600 FILE").
std::string private_fix_command(const std::filesystem::path& file);

}  // namespace quillet::platform
