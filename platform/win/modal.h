// Letting pending window messages run from inside long work, and showing a
// window modally over its owner.
#pragma once

#include <windows.h>

namespace kv::win {

// The main window's share of every message: its menu keys and the keyboard
// navigation inside its child windows. Returns true when it took the message.
using MessageFilter = bool (*)(MSG& msg);
void setMainFrame(HWND frame, MessageFilter filter);

// One message through the program's single dispatch path: the main window's
// filter, dialog navigation for the other top-level windows, then the window.
void dispatchMessage(MSG& msg);

// Dispatches what is queued. False when the program was asked to quit; the
// quit request is put back so the main message loop still sees it.
bool processPendingMessages();

// Waits up to `ms` for something to arrive, then dispatches it.
bool waitAndProcessMessages(DWORD ms);

// Disables the owner and runs the window's messages until `done` is set or the
// window is gone; the owner is enabled again before the window disappears so
// activation returns to it.
void runModal(HWND window, HWND owner, const bool& done);

}  // namespace kv::win
