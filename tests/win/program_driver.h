// Drives the real program, or windows of this test process, from outside:
// start it, find its windows, read and answer its message boxes. Every wait
// has a timeout, and a window that never appears fails the test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/handles.h"

namespace kv::test {

std::wstring besideThisExe(const wchar_t* name);

// Makes the test process DPI aware where the system knows of it (Vista on),
// so pictures taken for the guide show the real pixels.
void becomeDpiAware();

class ProgramProcess {
 public:
  ProgramProcess() = default;
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;
  ~ProgramProcess();

  bool start(const std::wstring& exe, const std::wstring& args = L"");
  DWORD pid() const { return pid_; }
  bool running() const;
  bool waitForExit(DWORD ms, DWORD& code);
  // Closes the program as a user would, answering its closing question with
  // Ja; true when it ended with code 0. Killing it instead has upset Wine's
  // display connection in the next test.
  bool closeNormally(HWND mainWindow, DWORD timeoutMs = 15000);

 private:
  win::KernelObject process_;
  DWORD pid_ = 0;
};

// Runs the system's reg.exe with these arguments, as an administrator
// would; true when it succeeded.
bool reg(const std::wstring& args);

// Wine answers GetGuiResources with 0, so leak checks count what Wine does
// keep: the used entries of the GDI handle table it maps into every process.
// `byType` receives the counts per object type when given.
std::optional<DWORD> gdiHandleTableCount(HANDLE process, std::map<int, int>* byType = nullptr);
// GDI objects of the process: GetGuiResources where it answers, else the table.
DWORD gdiObjectCount(HANDLE process);

// Runs a Linux program (xdotool, import) from inside Wine, which starts Unix
// executables as they are. Its end is not reported back, so callers wait for
// its effect.
bool runUnix(const std::wstring& commandLine);

// A Linux shell command line (sh syntax) whose end can be waited for. Wine
// does not report when a Unix program ends, and two xdotool runs started one
// after the other may overlap and mix their keys; so the shell leaves a file
// behind once the command is done, and the end is that file.
// The Linux path of a Windows path, as Wine maps it; empty when there is none.
std::wstring unixFileName(const std::wstring& windowsPath);

class UnixCommand {
 public:
  // Starts the command at once.
  explicit UnixCommand(const std::wstring& shellCommand);
  UnixCommand(const UnixCommand&) = delete;
  UnixCommand& operator=(const UnixCommand&) = delete;
  ~UnixCommand();

  bool started() const { return started_; }
  // True once the command has ended; false when it never started or is
  // still running when the time is up.
  bool waitForEnd(DWORD timeoutMs);

 private:
  std::wstring doneFile_;  // the file the shell leaves, as Windows names it
  bool started_ = false;
};

// Runs the shell command line and waits for its end; true when it ended in time.
bool runUnixToEnd(const std::wstring& shellCommand, DWORD timeoutMs = 20000);
// `text` as one word for the shell, whatever characters it holds.
std::wstring shellQuoted(const std::wstring& text);

// Gives the X display's keyboard focus to the window whose name matches
// `namePattern` (a regular expression, as xdotool reads it), as a click would.
// Returns once xdotool has done so: keys sent afterwards go to that window.
bool focusXWindow(const std::wstring& namePattern, DWORD timeoutMs = 20000);

// Types `text` with xdotool into the window that has the keyboard focus, one
// word at a time with its own delay: a single even rhythm over 35 keys would
// rightly void an exercise as machine-made. Waits until the keys are typed.
bool typeLikeALearner(const std::wstring& text);

// The space bar, typed, starts the exercise: true once the field has been
// emptied of its banners. True when the typing field shows the end mark.
bool startExerciseWithSpace(HWND typingField);
bool exerciseEnded(HWND typingField);

// Polls until `condition` holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Waits until the window and every visible window inside it have drawn what
// they had to draw and the window's thread reads its messages again. A window
// that has just been shown or changed needs drawing, and WM_PAINT comes only
// once the messages posted before it are handled: so this is also the moment
// a window has worked through what it posted to itself while setting up.
// Works for windows of other processes and of other threads of this one.
// False when the window is gone or the time ran out.
bool waitUntilPainted(HWND window, DWORD timeoutMs);

// Visible top-level windows of the process with this caption or class.
HWND findTopLevelWindow(DWORD pid, const wchar_t* caption, const wchar_t* className = nullptr);
HWND waitForTopLevelWindow(DWORD pid, const wchar_t* caption, DWORD timeoutMs,
                           const wchar_t* className = nullptr);

// A message box of the process (dialog class #32770), its text and buttons;
// returned once it has finished appearing (see waitUntilPainted).
HWND waitForMessageBox(DWORD pid, DWORD timeoutMs);
std::wstring messageBoxText(HWND box);
// Clicks button `id` of a dialog or window of any thread, as the button would.
void pressDialogButton(HWND dialog, int id);
// Answers a box with the Return key, the pointer over it as a learner's
// would be (without a window manager the keyboard follows the pointer);
// true once the box is gone.
bool answerWithReturn(HWND box, DWORD timeoutMs);

// A popup menu of the process once it is on the screen and its thread runs
// the menu's loop, where a letter chooses an item (a letter sent earlier could
// reach the window behind the menu); null when no menu opens in time.
HWND waitForMenu(DWORD pid, DWORD timeoutMs);
// True while the thread that owns `window` is in a menu, its bar's or a popup's.
bool inMenuMode(HWND window);

// One line of a list box.
std::wstring listLine(HWND list, int index);
// The items of a combo box, in order.
std::vector<std::wstring> comboItems(HWND box);
// Whether a combo box shows its list, and the item chosen in it (in an open
// list, the one the keys have moved to); CB_ERR when none or unknown.
bool comboDropped(HWND box);
int comboSelection(HWND box);
// True when an edit control's whole text is selected, or it has none, so
// that what is typed next replaces it.
bool allTextSelected(HWND edit);
// The first of `lines` that begins with `start`; empty when none does.
std::wstring lineStartingWith(const std::vector<std::wstring>& lines, const std::wstring& start);
// All of them, one a line, for a failure message.
std::string joinedLines(const std::vector<std::wstring>& lines);
// The file name field of an open or save dialog: its one visible edit control.
HWND fileNameField(HWND dialog);
// The folder tree of a folder picker (SHBrowseForFolder); null without one.
HWND folderPickerTree(HWND picker);
// True once the picker's tree has been filled and has a chosen folder: the
// picker has then written that folder's name into its field, which would
// otherwise overwrite what is typed there.
bool waitForFolderTree(HWND picker, DWORD timeoutMs);
// The window as it is on the screen now, written to a .bmp file.
void saveWindowPicture(HWND window, const std::wstring& path);
// The main window as it is on screen now, for the user guide: a PNG at the
// Linux path `picture` (in docs/bilder/), written under another name first
// and renamed when complete. False when no picture arrived.
bool photographForGuide(HWND mainWindow, const std::wstring& picture);

// A list view's rows and cells in another process, read through memory of
// that process as the control needs it.
int listViewCount(HWND list);
std::wstring listViewText(HWND list, int item, int column);
// Where a list view's column header lies on the screen; empty when unknown.
RECT listViewHeaderOnScreen(HWND list, int column);
// A report list's cell on the screen.
RECT listViewCellOnScreen(HWND list, int row, int column);
// How wide the list draws `text` in its own font; -1 when it cannot be asked.
int listViewStringWidth(HWND list, const std::wstring& text);
// The index of the selected row; -1 without one.
int listViewSelection(HWND list);

// A tooltip control's tools in another process: where each lies (in its
// window's client coordinates) and what it says.
struct TooltipTool {
  RECT rect{};
  std::wstring text;
};
std::vector<TooltipTool> tooltipTools(HWND tooltip);

// Sets the default value of a key under HKEY_CLASSES_ROOT, as a file type's
// registration does; true when it was written.
bool setClassesRootDefault(const wchar_t* key, const std::wstring& value);

// The main window's only child once it is of this class; null when that does
// not happen within the time.
HWND waitForOnlyChild(HWND mainWindow, const wchar_t* className, DWORD timeoutMs);

// The main window's child windows inside its multiple-document client.
std::vector<HWND> mdiChildren(HWND mainWindow);
std::wstring className(HWND window);
// The text of a control in another process: GetWindowText only reads the
// caption stored with the window, not what an edit control holds.
std::wstring controlText(HWND control);

// Alt letters that more than one visible control of `window` (a button or a
// label) or more than one item of `menu` uses, each with the captions that
// share it; empty when every letter leads to one place.
std::map<wchar_t, std::vector<std::wstring>> sharedAltLetters(HWND window);
std::map<wchar_t, std::vector<std::wstring>> sharedAltLetters(HMENU menu);
// The same as one line of text for a test's failure message.
std::wstring describeShared(const std::map<wchar_t, std::vector<std::wstring>>& shared);

// The window with the keyboard focus in the thread that owns `window`.
HWND focusOfThread(HWND window);

// Answers the next message box of this process from a helper thread: records
// its text and presses `button`. Use for code under test that shows a box.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(int button, DWORD timeoutMs = 10000);
  ~MessageBoxAnswerer();
  // Waits for the helper to finish; the text is empty when no box came.
  std::wstring text();

 private:
  static DWORD WINAPI threadMain(void* self);
  int button_;
  DWORD timeoutMs_;
  std::wstring text_;
  win::KernelObject thread_;
};

// Screen pixels are shared by all processes of the Wine session, so what
// the program draws can be read from here: one copy of an area of the
// screen, read pixel by pixel.
class ScreenArea {
 public:
  explicit ScreenArea(const RECT& area);
  bool copied() const { return copied_; }

  // Screen coordinates; CLR_INVALID outside the copied area.
  COLORREF at(int x, int y) const;
  // Bounds of all pixels of `colour` inside `part`; empty when there are none.
  RECT boundsOf(const RECT& part, COLORREF colour, int& count) const;
  int countOf(const RECT& part, COLORREF colour) const;

 private:
  RECT area_;
  std::vector<std::uint32_t> pixels_;
  bool copied_ = false;
};

}  // namespace kv::test
