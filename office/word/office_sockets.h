// The office's pipes are Unix sockets in /tmp ("OSL_PIPE_<uid>_<name>": the one we
// connect through and the one of its single-instance check). An office that is killed
// leaves them behind, so they are noted while it runs and removed once it has ended.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ostrel::word {

// The socket files an office started with this pipe name and profile URL makes: the
// pipe itself, and the single-instance pipe named after the MD5 of the profile URL in
// UTF-16 (each byte in hex without padding). Known before the office is asked anything,
// so they can go even when it was ended while starting.
std::vector<std::filesystem::path> officePipeFiles(const std::string& pipeName,
                                                   const std::string& profileUrl);

// The "OSL_PIPE_" socket files the process is listening on (nothing once it is gone).
std::vector<std::filesystem::path> officePipeFilesOf(pid_t pid);

// Removes those that are still sockets of ours; call once the office has ended.
void removeOfficePipeFiles(const std::vector<std::filesystem::path>& files);

} // namespace ostrel::word
