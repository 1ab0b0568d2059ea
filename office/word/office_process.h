// One office process, started directly (never through a shell or a launcher that
// forks again) in a process group of its own and tied to our life: the kernel kills
// it when the thread that started it ends, and that thread lives exactly as long as
// the process. Whatever is left of the group is killed once the office is gone.
// Its standard streams are /dev/null.
#pragma once

#include "system/process.h"

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ostrel::word {

class OfficeProcess {
public:
    // Starts `arguments[0]` with the given arguments and `temporaryFolder` as its TMPDIR
    // (it leaves its "lu*.tmp" folders there when it is killed); throws
    // std::runtime_error when the process cannot be created.
    OfficeProcess(const std::vector<std::string>& arguments,
                  const std::filesystem::path& temporaryFolder);
    // Kills the group and reaps the process.
    ~OfficeProcess();

    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const;
    // How the process ended, once it has.
    std::optional<ProcessExit> exit() const;
    // Waits at most `limit` for the process to end; true when it has ended.
    bool waitForExit(std::chrono::milliseconds limit) const;
    // SIGKILL to the whole process group.
    void kill();

private:
    void reap(std::vector<std::string> arguments, std::vector<std::string> environment);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    pid_t pid_ = -1;
    bool started_ = false;
    std::string startError_;
    bool exited_ = false;
    std::optional<ProcessExit> exit_;
    std::thread reaper_;
};

} // namespace ostrel::word
