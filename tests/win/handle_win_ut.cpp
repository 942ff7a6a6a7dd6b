#include <gtest/gtest.h>

#include <utility>

#include "base/handle_win.h"

namespace rv {
namespace {

bool IsOpenHandle(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnceAndMovesOwnership) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        KernelHandle a(raw);
        EXPECT_TRUE(a);
        KernelHandle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), raw);
        KernelHandle c;
        c = std::move(b);
        EXPECT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        KernelHandle d(kept);
        EXPECT_EQ(d.release(), kept);
    }
    EXPECT_TRUE(IsOpenHandle(kept));
    CloseHandle(kept);
}

TEST(UniqueHandle, FailedCreateFileIsEmpty) {
    KernelHandle file(CreateFileA("C:\\no\\such\\file.rv", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file);
    FindHandle none;
    EXPECT_FALSE(none);
}

}  // namespace
}  // namespace rv
