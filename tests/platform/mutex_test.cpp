// Named mutexes: the second creator of a name is told that it exists, for as long as any
// handle to it is open, in this process or another.
#include "platform/win32.h"

#include "temp_folder.h"

#include <memory>
#include <sys/wait.h>

namespace {

const char kName[] = "Ferrox.Mutex Test";
const DWORD kUntouched = 0xDEADu;

// The last error of a creation of `name`, after the handle is closed again.
DWORD CreationError(const char* name) {
    SetLastError(kUntouched);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    DWORD error = GetLastError();
    if (!mutex || !CloseHandle(mutex)) {
        return kUntouched;
    }
    return error;
}

// Creates `name` in a child process; its exit code is 1 when the name existed, 0 when not.
int CreationInChild(const char* name) {
    pid_t child = fork();
    if (child == 0) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        _exit(!mutex ? 2 : GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

class NamedMutex : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        runtime_.reset(new ScopedVariable("XDG_RUNTIME_DIR", folder_));
    }
    void TearDown() override {
        runtime_.reset();
        TempFolderTest::TearDown();
    }
    std::unique_ptr<ScopedVariable> runtime_;
};

TEST_F(NamedMutex, ExistsWhileAnyHandleIsOpen) {
    EXPECT_EQ(CreationError(kName), DWORD(ERROR_SUCCESS));
    HANDLE first = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));

    SetLastError(kUntouched);
    HANDLE second = CreateMutexA(nullptr, TRUE, kName);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));

    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(CreationError(kName), DWORD(ERROR_ALREADY_EXISTS)); // `second` still holds it
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(CreationError(kName), DWORD(ERROR_SUCCESS));
}

TEST_F(NamedMutex, AnotherProcessSeesTheHolder) {
    HANDLE held = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(CreationInChild(kName), 1);
    EXPECT_TRUE(CloseHandle(held));
    EXPECT_EQ(CreationInChild(kName), 0);
}

TEST_F(NamedMutex, ReleasedWhenTheHoldingProcessEnds) {
    int ready[2], finish[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(finish), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(finish[1]); // else the parent's close could never end the read below
        HANDLE mutex = CreateMutexA(nullptr, FALSE, kName);
        char byte = mutex && GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
        ssize_t sent = write(ready[1], &byte, 1);
        ssize_t got = read(finish[0], &byte, 1); // until the parent has looked
        _exit(sent == 1 && got >= 0 ? 0 : 1);    // without CloseHandle: the exit releases it
    }
    close(ready[1]);
    close(finish[0]);
    char answer = 0;
    EXPECT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(CreationError(kName), DWORD(ERROR_ALREADY_EXISTS));
    close(finish[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(ready[0]);
    EXPECT_EQ(CreationError(kName), DWORD(ERROR_SUCCESS));
}

} // namespace
