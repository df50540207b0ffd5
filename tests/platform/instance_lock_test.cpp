#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace tavelin {
namespace {

// A guard name of this test alone, so that tests running at the same time never meet.
std::string guardName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("tavelin-test-") + info->name() + "-" +
           std::to_string(GetCurrentProcessId());
}

// tavelin_lock_holder in a process of its own, holding the guard until it is killed.
class Holder {
  public:
    Holder(const std::string& name, bool spawn) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
            return;
        }
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string commandLine =
            std::string("\"") + TAVELIN_LOCK_HOLDER + "\" " + name + (spawn ? " spawn" : "");
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &startup, &process);
        CloseHandle(writeEnd);
        if (started) {
            process_ = process.hProcess;
            CloseHandle(process.hThread);
            // Its one line: "held <pid of the copy it started>" or "refused".
            char c = 0;
            DWORD got = 0;
            while (ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
                if (c != '\r') {  // written in text mode
                    line_.push_back(c);
                }
            }
        }
        CloseHandle(readEnd);
    }
    ~Holder() {
        kill();
        if (process_ != nullptr) {
            CloseHandle(process_);
        }
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool holds() const { return line_.rfind("held ", 0) == 0; }
    const std::string& line() const { return line_; }
    DWORD spawnedId() const { return holds() ? std::stoul(line_.substr(5)) : 0; }

    // Ends the process as a crash would: nothing of it runs any more.
    void kill() {
        if (process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 9);
            WaitForSingleObject(process_, 10000);
        }
    }

  private:
    HANDLE process_ = nullptr;
    std::string line_;
};

TEST(InstanceLockWindows, SecondHolderIsRefusedUntilRelease) {
    const std::string name = guardName();
    InstanceLock first;
    ASSERT_TRUE(first.acquire(name));
    EXPECT_TRUE(first.acquire(name));  // already held by this object
    EXPECT_TRUE(first.held());
    EXPECT_EQ(InstanceLock::lockFilePath(name), "");  // a named mutex, no file

    InstanceLock second;  // a second creation in the same process
    EXPECT_FALSE(second.acquire(name));
    EXPECT_FALSE(second.held());
    {
        Holder other(name, false);  // another process
        EXPECT_EQ(other.line(), "refused");
    }
    InstanceLock different;  // a different name is independent
    EXPECT_TRUE(different.acquire(name + "-other"));

    first.release();
    EXPECT_FALSE(first.held());
    EXPECT_TRUE(second.acquire(name));
}

TEST(InstanceLockWindows, AHolderInAnotherProcessRefusesUntilItIsKilled) {
    const std::string name = guardName();
    Holder holder(name, false);
    ASSERT_TRUE(holder.holds()) << holder.line();
    InstanceLock lock;
    EXPECT_FALSE(lock.acquire(name));
    EXPECT_FALSE(lock.acquire(name));  // a refused attempt leaves nothing that holds it
    holder.kill();
    EXPECT_TRUE(lock.acquire(name));
}

TEST(InstanceLockWindows, AProgramStartedByTheHolderDoesNotKeepTheLock) {
    // The holder starts a program that inherits its inheritable handles and is then killed;
    // the guard must be free although the started program still runs.
    const std::string name = guardName();
    Holder holder(name, true);
    ASSERT_TRUE(holder.holds()) << holder.line();
    ASSERT_NE(holder.spawnedId(), 0U);
    holder.kill();
    HANDLE spawned = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, holder.spawnedId());
    ASSERT_NE(spawned, nullptr);
    EXPECT_EQ(WaitForSingleObject(spawned, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // still runs
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(name));
    TerminateProcess(spawned, 0);
    CloseHandle(spawned);
}

}  // namespace
}  // namespace tavelin

#else
// The lock file, its folder and the symbolic-link and fork cases below are POSIX alone: Windows
// takes a named mutex, tested above.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace tavelin {
namespace {

// Points XDG_RUNTIME_DIR at a fresh folder for the test and restores the environment afterwards.
class InstanceLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavelin-lock-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        for (std::size_t i = 0; i < kVars.size(); ++i) {
            const char* old = std::getenv(kVars[i]);
            saved_[i] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        for (std::size_t i = 0; i < kVars.size(); ++i) {
            if (saved_[i]) {
                setenv(kVars[i], saved_[i]->c_str(), 1);
            } else {
                unsetenv(kVars[i]);
            }
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Runs `body` in a child process; returns its exit status (or 128 + signal).
    template <typename F>
    static int inChild(F body) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(body());
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    static constexpr std::array<const char*, 2> kVars = {"XDG_RUNTIME_DIR", "TMPDIR"};
    std::string dir_;
    std::array<std::optional<std::string>, 2> saved_;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilRelease) {
    InstanceLock first;
    ASSERT_TRUE(first.acquire("guard"));
    EXPECT_TRUE(first.acquire("guard"));  // already held by this object
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/guard.lock"));

    InstanceLock second;  // a second open file in the same process
    EXPECT_FALSE(second.acquire("guard"));
    EXPECT_FALSE(second.held());
    EXPECT_EQ(inChild([] {
                  InstanceLock child;
                  return child.acquire("guard") ? 0 : 1;
              }),
              1);

    InstanceLock other;  // a different name is independent
    EXPECT_TRUE(other.acquire("other"));

    first.release();
    EXPECT_FALSE(first.held());
    EXPECT_TRUE(second.acquire("guard"));
}

TEST_F(InstanceLockTest, ACrashedHolderLeavesNothingStuck) {
    const int rc = inChild([] {
        InstanceLock child;
        if (!child.acquire("guard")) {
            return 1;
        }
        raise(SIGKILL);
        return 2;
    });
    EXPECT_EQ(rc, 128 + SIGKILL);
    InstanceLock after;
    EXPECT_TRUE(after.acquire("guard"));
}

TEST_F(InstanceLockTest, AProgramStartedByTheHolderDoesNotKeepTheLock) {
    // The holder starts a long-running program and then dies without releasing; the guard must
    // be free although the started program still runs.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const int rc = inChild([&pipeFds] {
        InstanceLock holder;
        if (!holder.acquire("guard")) {
            return 1;
        }
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execl("/bin/sleep", "sleep", "3", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (write(pipeFds[1], &grandchild, sizeof grandchild) != sizeof grandchild) {
            return 3;
        }
        usleep(300 * 1000);  // let the exec happen
        raise(SIGKILL);
        return 2;
    });
    EXPECT_EQ(rc, 128 + SIGKILL);
    pid_t grandchild = 0;
    ASSERT_EQ(read(pipeFds[0], &grandchild, sizeof grandchild),
              static_cast<ssize_t>(sizeof grandchild));
    close(pipeFds[0]);
    close(pipeFds[1]);
    InstanceLock after;
    EXPECT_TRUE(after.acquire("guard"));
    kill(grandchild, SIGTERM);
}

TEST_F(InstanceLockTest, SymbolicLinkAtTheLockPathIsRefused) {
    const std::string target = dir_ + "/target";
    ASSERT_EQ(symlink(target.c_str(), (dir_ + "/guard.lock").c_str()), 0);
    InstanceLock lock;
    EXPECT_FALSE(lock.acquire("guard"));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(InstanceLockTest, LockFileFolder) {
    EXPECT_EQ(InstanceLock::lockFilePath("tavelin"), dir_ + "/tavelin.lock");
    setenv("XDG_RUNTIME_DIR", "relative", 1);
    setenv("TMPDIR", dir_.c_str(), 1);
    const std::string uid = std::to_string(getuid());
    EXPECT_EQ(InstanceLock::lockFilePath("tavelin"), dir_ + "/tavelin-" + uid + ".lock");
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("TMPDIR");
    EXPECT_EQ(InstanceLock::lockFilePath("tavelin"), "/tmp/tavelin-" + uid + ".lock");
}

}  // namespace
}  // namespace tavelin

#endif
