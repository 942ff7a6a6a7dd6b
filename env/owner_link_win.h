// Notices to the program that asked for them (the owner): it sends the
// stub's window kMsgLocal with its own window and message, and from then on
// the stub posts that message with a notice code and an argument.
#pragma once

#include <windows.h>

namespace rv {

namespace notice {
// Which transfer or run; the argument is kStart or kEnd.
constexpr WPARAM kInfoFile = 40;
constexpr WPARAM kDownload = 41;
constexpr WPARAM kSetup = 42;
constexpr LPARAM kStart = 1, kEnd = 2;
// The stub's window is closing; the argument is 0.
constexpr WPARAM kClosing = 43;
// The answer to the owner's request: the stub's window, then the message
// the agent answers to.
constexpr WPARAM kWindow = 50;
constexpr WPARAM kAgentMessage = 51;
}  // namespace notice

class OwnerLink {
public:
    void Connect(HWND window, UINT message) {
        window_ = window;
        message_ = message;
    }
    // Posts nothing until an owner has connected.
    void Notify(WPARAM code, LPARAM argument) const {
        if (window_ && message_) PostMessageA(window_, message_, code, argument);
    }

private:
    HWND window_ = nullptr;
    UINT message_ = 0;
};

}  // namespace rv
