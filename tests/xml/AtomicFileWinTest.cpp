// Saving over a file that another program holds open for a moment.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "xml/AtomicFile.h"

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct HoldArgs {
    HANDLE file;
    DWORD ms;
};

DWORD WINAPI CloseLater(void* param) {
    HoldArgs* args = static_cast<HoldArgs*>(param);
    Sleep(args->ms);
    CloseHandle(args->file);
    return 0;
}

HANDLE OpenExclusive(const char* path) {
    return CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(AtomicFileWin, BriefLockIsRiddenOut) {
    const char* path = "atomic_brief.xml";
    ASSERT_TRUE(atomicfile::WriteAll(path, "old"));
    HoldArgs args{OpenExclusive(path), 60};
    ASSERT_NE(args.file, INVALID_HANDLE_VALUE);
    HANDLE thread = CreateThread(nullptr, 0, CloseLater, &args, 0, nullptr);
    EXPECT_TRUE(atomicfile::WriteAll(path, "new"));
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(ReadFile(path), "new");
    DeleteFileA(path);
}

TEST(AtomicFileWin, LongLockFailsAndKeepsTheOldFile) {
    const char* path = "atomic_long.xml";
    ASSERT_TRUE(atomicfile::WriteAll(path, "old"));
    HANDLE held = OpenExclusive(path);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(atomicfile::WriteAll(path, "new"));
    CloseHandle(held);
    EXPECT_EQ(ReadFile(path), "old");
    // No temporary file is left behind.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("atomic_long.xml.tmp*", &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    DeleteFileA(path);
}

}  // namespace
