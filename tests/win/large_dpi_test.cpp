// Every window of the program at 200 % (192 dpi), opened with real keys as a
// learner or a teacher opens it: no control sticks out of its window, no two
// controls cover each other, and no caption or label is cut off, measured
// with the program's own dialog font. Once with the system's fonts and once
// with a larger menu font, which the program's dialog font follows.
// Runs in the 192-dpi prefix of tests/tools/large_dpi_test.sh; skipped at
// the ordinary 96 dpi, where the other window tests look at the layout.
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classroom/grade_key.h"
#include "exam/class_test.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/learner_fixture.h"
#include "ui/adaptive/adaptive_window_win.h"
#include "ui/exam/exam_start_win.h"
#include "ui/frame/about_window_win.h"
#include "ui/history/history_window_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/shared/window_font_win.h"
#include "ui/teachers/class_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

int screenDpi() {
  const win::WindowDc screen(nullptr);
  return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

std::wstring describe(HWND control) {
  std::wstring text = win::windowText(control);
  if (text.size() > 40) text = text.substr(0, 37) + L"...";
  return test::className(control) + L" " + std::to_wstring(::GetDlgCtrlID(control)) + L" \"" + text + L"\"";
}

RECT rectIn(HWND control, HWND parent) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::wstring sizeText(const RECT& r) {
  return std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top);
}

bool isClass(HWND window, const wchar_t* name) { return ::lstrcmpiW(test::className(window).c_str(), name) == 0; }

LONG_PTR styleOf(HWND window) { return ::GetWindowLongPtrW(window, GWL_STYLE); }

bool isGroupBox(HWND window) { return isClass(window, L"Button") && (styleOf(window) & BS_TYPEMASK) == BS_GROUPBOX; }

// Windows whose children the check walks as well: the program's own windows
// and the frame's client, not the inner parts of standard controls.
bool isContainer(HWND window) {
  const std::wstring name = test::className(window);
  return name.rfind(L"Klavento", 0) == 0 || name == L"MDIClient" || name == L"#32770";
}

// The fonts a few controls have of their own, derived from the dialog font
// as the window derives them.
enum class OwnFont { Bold, HeadingLargeBold, Underlined, SizedByLayout };

std::map<std::pair<std::wstring, int>, OwnFont> ownFonts() {
  return {
      // The class test's heading: half as large again, bold.
      {{kClassTestChildClass, ClassTestStart::kHeadingId}, OwnFont::HeadingLargeBold},
      // The notice of a folder that cannot be read, in bold.
      {{kClassChildClass, ClassWindow::kNoticeId}, OwnFont::Bold},
      // The about window's link, underlined while web links are allowed.
      {{AboutWindow::kClassName, AboutWindow::kLink}, OwnFont::Underlined},
      // The start prompt over the template: its size is chosen by the
      // exercise's layout so its two lines fill the box, which the exercise
      // window's own test checks on the screen's pixels.
      {{ExerciseWindow::kClassName, ExerciseWindow::kPromptId}, OwnFont::SizedByLayout},
  };
}

class LayoutCheck {
 public:
  // `pictureSuffix` tells the pictures of one run from another's.
  explicit LayoutCheck(std::wstring pictureSuffix) : pictureSuffix_(std::move(pictureSuffix)) {
    FontChoice fonts;
    updateDialogFont(fonts);  // as the program does at its start
    dialogFont_ = createDialogFont(fonts);
    LOGFONTW lf{};
    ::GetObjectW(dialogFont_.get(), sizeof lf, &lf);
    LOGFONTW bold = lf;
    bold.lfWeight = FW_BOLD;
    bold_ = win::Font(::CreateFontIndirectW(&bold));
    LOGFONTW heading = bold;
    heading.lfHeight = lf.lfHeight * 3 / 2;
    heading_ = win::Font(::CreateFontIndirectW(&heading));
    LOGFONTW underlined = lf;
    underlined.lfUnderline = TRUE;
    underlined_ = win::Font(::CreateFontIndirectW(&underlined));
    dpi_ = screenDpi();
  }

  // Checks the window and every window of the program inside it.
  void check(const std::wstring& name, HWND window) {
    if (window == nullptr || !::IsWindow(window)) {
      problems_[name].push_back(L"window not found");
      return;
    }
    test::waitUntilPainted(window, 5000);
    // A window larger than the screen would hide its buttons. A maximized
    // window's frame lies beyond the screen's edge by design: its client
    // area counts.
    RECT placed{}, work{};
    if (::IsZoomed(window) != FALSE) {
      ::GetClientRect(window, &placed);
      ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&placed), 2);
    } else {
      ::GetWindowRect(window, &placed);
    }
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (!inside(placed, work)) {
      problems_[name].push_back(L"the window, " + sizeText(placed) + L" at " + std::to_wstring(placed.left) + L"," +
                                std::to_wstring(placed.top) + L", reaches outside the screen's work area " +
                                sizeText(work));
    }
    walk(name, window);
    savePicture(name, window);
  }

  std::string report() const {
    std::wstring text;
    for (const auto& [window, lines] : problems_) {
      text += L"\n" + window + L":";
      for (const std::wstring& line : lines) text += L"\n  " + line;
    }
    return win::narrowLossy(text);
  }
  bool clean() const { return problems_.empty(); }

 private:
  void walk(const std::wstring& name, HWND parent) {
    RECT client{};
    ::GetClientRect(parent, &client);
    std::vector<HWND> children;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
      RECT r = rectIn(c, parent);
      if (::IsWindowVisible(c) && r.right > r.left && r.bottom > r.top) children.push_back(c);
    }
    const std::wstring parentClass = test::className(parent);
    for (std::size_t i = 0; i < children.size(); ++i) {
      const HWND c = children[i];
      const RECT r = rectIn(c, parent);
      if (!inside(r, client)) {
        problems_[name].push_back(describe(c) + L" at " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) +
                                  L" " + sizeText(r) + L" outside the client area " + sizeText(client) +
                                  L" of " + parentClass);
      }
      for (std::size_t j = i + 1; j < children.size(); ++j) {
        RECT both{};
        const RECT other = rectIn(children[j], parent);
        if (::IntersectRect(&both, &r, &other) && !intendedOverlap(c, r, children[j], other)) {
          problems_[name].push_back(describe(c) + L" and " + describe(children[j]) + L" overlap by " +
                                    sizeText(both));
        }
      }
      checkText(name, parentClass, c);
      if (isContainer(c)) walk(name, c);
    }
  }

  // A group box holds its controls; an up-down control sits on its buddy's
  // edge by design (UDS_ALIGNRIGHT); before an exercise starts, its prompt
  // lies over the typing field, which it leaves at the first key.
  static bool intendedOverlap(HWND a, const RECT& ra, HWND b, const RECT& rb) {
    const int idA = ::GetDlgCtrlID(a), idB = ::GetDlgCtrlID(b);
    if (test::className(::GetParent(a)) == ExerciseWindow::kClassName &&
        std::min(idA, idB) == ExerciseWindow::kFieldId && std::max(idA, idB) == ExerciseWindow::kPromptId) {
      return true;
    }
    if (isGroupBox(a) && inside(rb, ra)) return true;
    if (isGroupBox(b) && inside(ra, rb)) return true;
    const auto buddyOf = [](HWND updown) {
      return isClass(updown, UPDOWN_CLASSW) ? reinterpret_cast<HWND>(::SendMessageW(updown, UDM_GETBUDDY, 0, 0))
                                            : nullptr;
    };
    return buddyOf(a) == b || buddyOf(b) == a;
  }

  void checkText(const std::wstring& name, const std::wstring& parentClass, HWND c) {
    const bool isStatic = isClass(c, L"Static");
    if (!isStatic && !isClass(c, L"Button")) return;
    const std::wstring text = win::windowText(c);
    if (text.empty()) return;
    const LONG_PTR style = styleOf(c);
    UINT flags = DT_EXPANDTABS;
    int glyph = 0;
    int marginX = 0, marginY = 0;
    if (isStatic) {
      const LONG_PTR type = style & SS_TYPEMASK;
      if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) {
        return;  // pictures, frames and what the window paints itself
      }
      // A path shortened with "…" shows as much as fits, by design.
      if ((style & SS_ELLIPSISMASK) != 0) return;
      if (type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) flags |= DT_WORDBREAK;
      if ((style & SS_NOPREFIX) != 0) flags |= DT_NOPREFIX;
      if ((style & SS_EDITCONTROL) != 0) flags |= DT_EDITCONTROL;
    } else {
      const LONG_PTR type = style & BS_TYPEMASK;
      // The window paints these itself (a symbol, colour samples); their
      // caption is the name a screen reader reads, not what they show.
      if (type == BS_OWNERDRAW) return;
      const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_3STATE || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
      if (type == BS_GROUPBOX) {
        marginX = ::MulDiv(8, dpi_, 96);  // the frame's corner before and after the caption
      } else if (box && (style & BS_PUSHLIKE) == 0) {
        glyph = ::MulDiv(13, dpi_, 96) + ::MulDiv(4, dpi_, 96);  // the box or circle and its gap
      } else {
        marginX = ::MulDiv(3, dpi_, 96);  // the button's edge and focus frame, each side
        marginY = ::MulDiv(2, dpi_, 96);
      }
      if ((style & BS_MULTILINE) != 0) flags |= DT_WORDBREAK;
    }
    // WM_GETFONT from another process answers no handle this process could
    // use, so the font is the one the window gives the control: the dialog
    // font, or a font of its own derived from it.
    HFONT measureWith = dialogFont_.get();
    const auto own = ownFonts();
    if (const auto found = own.find({parentClass, ::GetDlgCtrlID(c)}); found != own.end()) {
      switch (found->second) {
        case OwnFont::Bold: measureWith = bold_.get(); break;
        case OwnFont::HeadingLargeBold: measureWith = heading_.get(); break;
        case OwnFont::Underlined: measureWith = underlined_.get(); break;
        case OwnFont::SizedByLayout: return;
      }
    }
    RECT client{};
    ::GetClientRect(c, &client);
    const int width = client.right - client.left - glyph - 2 * marginX;
    const int height = client.bottom - client.top - 2 * marginY;
    const win::WindowDc screen(nullptr);
    const win::ScopedSelect select(screen.get(), measureWith);
    RECT need{0, 0, std::max(width, 1), 0};
    ::DrawTextW(screen.get(), text.c_str(), -1, &need, flags | DT_CALCRECT);
    const int needHeight = isGroupBox(c) ? 0 : need.bottom;  // a group box's caption sits on its frame
    if (need.right > width || needHeight > height) {
      problems_[name].push_back(describe(c) + L": its text needs " + std::to_wstring(need.right) + L"x" +
                                std::to_wstring(need.bottom) + L", the control has " + std::to_wstring(width) +
                                L"x" + std::to_wstring(height));
    }
  }

  // With KV_LARGE_DPI_PICTURES set to a Linux folder, each window as it is
  // on the screen goes there as a picture to look at.
  void savePicture(const std::wstring& name, HWND window) const {
    wchar_t folder[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"KV_LARGE_DPI_PICTURES", folder, MAX_PATH) == 0) return;
    std::wstring file;
    for (const wchar_t ch : name) file += (::IsCharAlphaNumericW(ch) != FALSE) ? ch : L'-';
    RECT r{};
    ::GetWindowRect(::GetAncestor(window, GA_ROOT), &r);
    test::runUnixToEnd(L"import -window root -crop " + sizeText(r) + L"+" + std::to_wstring(r.left) + L"+" +
                       std::to_wstring(r.top) + L" +repage " +
                       test::shellQuoted(std::wstring(folder) + L"/" + file + pictureSuffix_ + L".png"));
  }

  std::wstring pictureSuffix_;
  win::Font dialogFont_, bold_, heading_, underlined_;
  int dpi_ = 96;
  std::map<std::wstring, std::vector<std::wstring>> problems_;
};

const std::vector<std::string> kTestText = {"Die Idee zum Bau eines Hauses kam im Winter.",
                                            "Am Montag begann die Arbeit am Keller."};

class LargeDpi : public LearnerKeys {
 protected:
  virtual bool largerFont() const { return false; }

  void SetUp() override {
    // Else Wine scales what this process reads of the program's windows.
    test::becomeDpiAware();
    // KV_LAYOUT_AT_ANY_DPI runs it at the ordinary resolution as well, to
    // compare a window's layout there.
    if (screenDpi() < 144 && ::GetEnvironmentVariableW(L"KV_LAYOUT_AT_ANY_DPI", nullptr, 0) == 0) {
      GTEST_SKIP() << "runs in the 192-dpi prefix of tests/tools/large_dpi_test.sh";
    }
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder = fs::path(temp) / (L"Grosse Anzeige " + std::to_wstring(::GetCurrentProcessId()));
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder / L"Lernverlauf");
    fs::create_directories(folder / L"Ergebnisse");
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", (folder / L"Lernverlauf").c_str());
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Verzeichnisse\" /v Schuelerverzeichnis "
                          L"/t REG_SZ /d \"" + (folder / L"Ergebnisse").wstring() + L"\" /f"));
    // A class test to open as a learner does.
    ClassTest exam;
    exam.id = testIdOf(0x5eed0d91ULL + ::GetCurrentProcessId());
    exam.className = "8b";
    exam.title = "Hausbau";
    exam.lines = kTestText;
    exam.form = 4;
    exam.learners = {{"Adler, Anna", 0}, {"Becker, Ben", 0}, {w1252("Öztürk, Aylin"), 750}};
    exam.gradeKey = formatGradeKey(gradeKeyPresets().front());
    exam.prepared = {{2026, 12, 9}, 9, 55, 0};
    examFile = folder / L"Klassenarbeit 8b.kvk";
    fs::create_directories(handInFolderOf(examFile));
    ASSERT_TRUE(writeFileAtomically(examFile, encodeClassTest(exam)));
    if (largerFont()) {
      // Half as large again as the system's menu font, as a learner sets it
      // in the display settings; back as it was after the test.
      original.cbSize = sizeof original;
      ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof original, &original, 0));
      NONCLIENTMETRICSW larger = original;
      larger.lfMenuFont.lfHeight = larger.lfMenuFont.lfHeight * 3 / 2;
      larger.lfMessageFont.lfHeight = larger.lfMessageFont.lfHeight * 3 / 2;
      FontChoice before;
      updateDialogFont(before);
      ASSERT_TRUE(::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof larger, &larger,
                                          SPIF_UPDATEINIFILE | SPIF_SENDCHANGE));
      changedFont = true;
      FontChoice after;
      updateDialogFont(after);
      ASSERT_LT(after.dialogFontHeight, before.dialogFontHeight) << "the dialog font did not follow the menu font";
    }
    // The dialog font as the program will find it at its start.
    layout = std::make_unique<LayoutCheck>(largerFont() ? L"-grosse-Schrift" : L"");
    LearnerKeys::SetUp();
  }

  void TearDown() override {
    LearnerKeys::TearDown();
    if (changedFont) {
      ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof original, &original,
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    }
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", nullptr);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  static bool press(const std::wstring& keys) { return test::runUnixToEnd(L"/usr/bin/xdotool key " + keys); }

  HWND topLevel(const wchar_t* caption, const wchar_t* className, DWORD ms = 10000) {
    return test::waitForTopLevelWindow(program.pid(), caption, ms, className);
  }

  // A menu of the menu bar once the selection has the focus again; its
  // popup once it is on the screen.
  // The focus does not always come back to the window a dialog was opened
  // from once it closes (seen under Wine with the grade key editor and the
  // archive maker): a click into an empty spot of the window brings it back,
  // as a learner would click.
  void focusBackInto(HWND window) {
    const auto inside = [&] { return ::IsChild(window, test::focusOfThread(main)) != FALSE; };
    if (!test::waitUntil(inside, 3000)) {
      RECT r{};
      ::GetClientRect(window, &r);
      POINT spot{r.left + 4, r.bottom - 4};
      ::ClientToScreen(window, &spot);
      ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring(spot.x) + L" " +
                                     std::to_wstring(spot.y) + L" click 1"));
    }
    ASSERT_TRUE(test::waitUntil(inside, 5000)) << "the focus did not come back to " << win::narrowLossy(describe(window));
  }

  // F10 and the letter: with the form "Text von Vorlage" chosen, Alt+L is
  // the selection's "Zeitlimit".
  HWND menuByKeys(const wchar_t* letter) {
    const HWND dialog = selection();
    focusBackInto(dialog);
    if (!press(L"F10") || !test::waitUntil([&] { return test::inMenuMode(main); }, 5000)) return nullptr;
    if (!press(letter)) return nullptr;
    HWND popup = nullptr;
    test::waitUntil(
        [&] {
          popup = test::findTopLevelWindow(program.pid(), nullptr, L"#32768");
          return popup != nullptr;
        },
        5000);
    ::Sleep(300);
    return popup;
  }

  // Escape, once the window has the focus, closes it.
  void closeByEscape(HWND window) {
    ASSERT_NE(window, nullptr);
    test::waitUntil(
        [&] {
          const HWND focus = test::focusOfThread(main);
          return focus == window || ::IsChild(window, focus) != FALSE;
        },
        5000);
    ASSERT_TRUE(press(L"Escape"));
    answerYesIfAsked();
    ASSERT_TRUE(gone(window)) << "Escape did not close " << win::narrowLossy(win::windowText(window));
  }

  bool gone(HWND window) { return test::waitUntil([&] { return !::IsWindow(window); }, 10000); }

  // Types the path into the file dialog with this caption and opens or saves.
  void fileDialog(const wchar_t* caption, const fs::path& file) {
    const HWND dialog = topLevel(caption, L"#32770", 15000);
    ASSERT_NE(dialog, nullptr) << "no dialog " << win::narrowLossy(caption);
    const HWND name = test::fileNameField(dialog);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == name; }, 15000));
    ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 40 " + test::shellQuoted(file.wstring()), 60000));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == file.wstring(); }, 15000));
    ASSERT_TRUE(press(L"Return"));
    ASSERT_TRUE(gone(dialog)) << "the dialog stayed open";
  }

  // Answers a question the program may ask (Ja), when it asks one.
  void answerYesIfAsked() {
    if (const HWND box = test::waitForMessageBox(program.pid(), 2000)) {
      press(L"j");
      gone(box);
    }
  }

  void backToFirstPage() {
    const HWND dialog = selection();
    ASSERT_NE(dialog, nullptr);
    if (win::windowText(dialog) != L"Übungsform wählen") {
      ASSERT_TRUE(press(L"alt+z"));
    }
    ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungsform wählen"));
  }

  // The form, chosen with the arrow keys in the group of forms, where the
  // first page puts the focus.
  void chooseForm(int form) {
    const HWND dialog = selection();
    const auto option = [&](int f) { return ::GetDlgItem(dialog, SelectionDialog::kFormOption1 + f - 1); };
    const auto checkedForm = [&] {
      for (int f = 1; f <= 4; ++f) {
        if (::SendMessageW(option(f), BM_GETCHECK, 0, 0) == BST_CHECKED) return f;
      }
      return 0;
    };
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == option(checkedForm()); }, 5000))
        << "the first page does not start in the group of forms";
    for (int presses = 0; presses < 4 && checkedForm() != form; ++presses) {
      const int before = checkedForm();
      ASSERT_TRUE(press(L"Down"));
      ASSERT_TRUE(test::waitUntil([&] { return checkedForm() != before; }, 5000)) << "Down chose no other form";
    }
    ASSERT_EQ(checkedForm(), form);
  }

  // From the first page: the form, then lines 1 to 2 of the first text and
  // the start, all by keys.
  void openExerciseByKeys(int form) {
    const HWND dialog = selection();
    ASSERT_NO_FATAL_FAILURE(chooseForm(form));
    ASSERT_TRUE(press(L"alt+w"));
    ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
    const HWND last = ::GetDlgItem(dialog, SelectionDialog::kLastLine);
    ASSERT_TRUE(press(L"alt+b"));
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == last; }, 5000));
    ASSERT_TRUE(press(L"2"));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(last) == L"2"; }, 5000));
    ASSERT_TRUE(press(L"alt+s"));
    exercise = test::waitForOnlyChild(main, ExerciseWindow::kClassName, 15000);
    ASSERT_NE(exercise, nullptr);
    field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000));
  }

  // An exercise of this form, before and while typing; its evaluation by keys.
  void exerciseOfForm(int form, bool save) {
    ASSERT_NO_FATAL_FAILURE(backToFirstPage());
    ASSERT_NO_FATAL_FAILURE(openExerciseByKeys(form));
    const std::wstring title = L"Übung, Form " + std::to_wstring(form);
    layout->check(title + L", vor dem Start", main);
    startTyping();
    ASSERT_TRUE(typeLikeALearner(L"fded fded"));
    layout->check(title + L", beim Tippen", main);
    ASSERT_TRUE(press(L"alt+b"));
    ASSERT_TRUE(test::waitUntil([&] { return ended(); }, 5000)) << "Alt+B did not end the exercise";
    ASSERT_TRUE(press(L"alt+w"));
    const HWND options = topLevel(nullptr, ResultOptionsDialog::kClassName);
    ASSERT_NE(options, nullptr) << "no result options";
    if (form == 4) layout->check(L"Auswertungsangaben", options);
    ASSERT_TRUE(press(L"Return"));
    result = test::waitForOnlyChild(main, ResultWindow::kClassName, 20000);
    ASSERT_NE(result, nullptr) << "no result window";
    layout->check(L"Auswertung, Form " + std::to_wstring(form), main);
    if (save) {
      ASSERT_TRUE(press(L"alt+p"));
      ASSERT_NO_FATAL_FAILURE(fileDialog(L"Übung speichern", saved()));
      ASSERT_TRUE(test::waitUntil([&] { return fs::exists(saved()); }, 10000));
    }
    ASSERT_TRUE(press(L"alt+s"));
    answerYesIfAsked();
    ASSERT_NE(selection(), nullptr);
  }

  fs::path saved() const { return folder / L"Ergebnisse" / L"Uebung.kvw"; }

  void walkEveryWindow() {
    // The main window with the first selection page, and the colour scheme
    // chooser of the form that has one.
    HWND dialog = selection();
    ASSERT_NE(dialog, nullptr);
    layout->check(L"Hauptfenster, Übungsform wählen", main);
    ASSERT_NO_FATAL_FAILURE(chooseForm(1));
    ASSERT_TRUE(test::waitUntil(
        [&] { return ::IsWindowVisible(::GetDlgItem(dialog, SelectionDialog::kColourButton1)) != FALSE; }, 5000));
    ASSERT_TRUE(press(L"alt+f"));
    const HWND colours = topLevel(nullptr, ColourChooser::kClassName);
    layout->check(L"Farbschema", colours);
    ASSERT_NO_FATAL_FAILURE(closeByEscape(colours));

    // The second page, with the text list and the text's preview.
    ASSERT_TRUE(press(L"alt+w"));
    ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
    layout->check(L"Hauptfenster, Übungstext wählen", main);

    // The text's preview: from the text list the Tab key reaches its switch,
    // the space bar turns it on, Escape off.
    const HWND texts = ::GetDlgItem(dialog, SelectionDialog::kTextList);
    const HWND previewSwitch = ::GetDlgItem(dialog, SelectionDialog::kPreviewSwitch);
    const HWND preview = ::GetDlgItem(dialog, SelectionDialog::kPreviewList);
    ASSERT_TRUE(press(L"alt+t"));
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == texts; }, 5000));
    for (int tabs = 0; tabs < 3 && test::focusOfThread(main) != previewSwitch; ++tabs) {
      const HWND before = test::focusOfThread(main);
      ASSERT_TRUE(press(L"Tab"));
      test::waitUntil([&] { return test::focusOfThread(main) != before; }, 3000);
    }
    ASSERT_EQ(test::focusOfThread(main), previewSwitch) << "Tab did not reach the preview's switch";
    ASSERT_TRUE(press(L"space"));
    ASSERT_TRUE(test::waitUntil([&] { return ::IsWindowVisible(preview) != FALSE; }, 5000)) << "no preview";
    layout->check(L"Hauptfenster, Textvorschau", main);
    ASSERT_TRUE(press(L"Escape"));
    ASSERT_TRUE(test::waitUntil([&] { return ::IsWindowVisible(preview) == FALSE; }, 5000))
        << "Escape did not end the preview";

    // Each form's exercise, its evaluation; the last one saved.
    for (int form = 1; form <= 4; ++form) ASSERT_NO_FATAL_FAILURE(exerciseOfForm(form, form == 4));

    // The saved exercise opened again.
    ASSERT_TRUE(press(L"ctrl+o"));
    ASSERT_NO_FATAL_FAILURE(fileDialog(L"Gespeicherte Übung öffnen", saved()));
    ASSERT_NE(test::waitForOnlyChild(main, ResultWindow::kClassName, 20000), nullptr);
    layout->check(L"Gespeicherte Übung", main);
    ASSERT_TRUE(press(L"alt+s"));
    answerYesIfAsked();
    ASSERT_NE(selection(), nullptr);

    // The Lernverlauf with the four exercises.
    ASSERT_TRUE(press(L"ctrl+l"));
    ASSERT_NE(test::waitForOnlyChild(main, kHistoryChildClass, 15000), nullptr) << "Strg+L opened no Lernverlauf";
    layout->check(L"Lernverlauf", main);
    // "Adaptiv üben" from there, with its keyboard picture and key list.
    ASSERT_TRUE(press(L"alt+a"));
    const HWND adaptive = test::waitForOnlyChild(main, kAdaptiveChildClass, 15000);
    ASSERT_NE(adaptive, nullptr) << "Alt+A in the Lernverlauf opened no Adaptiv üben";
    ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(::GetDlgItem(adaptive, AdaptiveWindow::kKeysListId)) > 0; },
                                10000));
    layout->check(L"Adaptiv üben", main);
    ASSERT_TRUE(press(L"Escape"));
    ASSERT_NE(selection(), nullptr);

    // The teachers' window on the folder with the saved result, and its
    // grade key editor.
    ASSERT_TRUE(press(L"ctrl+k"));
    const HWND classes = test::waitForOnlyChild(main, kClassChildClass, 15000);
    ASSERT_NE(classes, nullptr) << "Strg+K opened no teachers' window";
    ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(::GetDlgItem(classes, ClassWindow::kListId)) > 0; },
                                15000));
    layout->check(L"Ergebnisse einer Klasse", main);
    ASSERT_TRUE(press(L"alt+b"));
    const HWND editor = topLevel(L"Notenschlüssel bearbeiten", nullptr);
    layout->check(L"Notenschlüssel bearbeiten", editor);
    ASSERT_NO_FATAL_FAILURE(closeByEscape(editor));
    ASSERT_NO_FATAL_FAILURE(focusBackInto(classes));
    ASSERT_TRUE(press(L"alt+s"));
    ASSERT_NE(selection(), nullptr);

    // What the Lehrkräfte menu opens.
    ASSERT_NE(menuByKeys(L"l"), nullptr) << "F10, L opened no menu";
    ASSERT_TRUE(press(L"t"));
    const HWND maker = topLevel(L"Textarchiv erstellen", nullptr);
    layout->check(L"Textarchiv erstellen", maker);
    ASSERT_NO_FATAL_FAILURE(closeByEscape(maker));
    ASSERT_NE(menuByKeys(L"l"), nullptr) << "F10, L opened no menu";
    ASSERT_TRUE(press(L"v"));
    const HWND prepare = topLevel(L"Klassenarbeit vorbereiten", nullptr);
    layout->check(L"Klassenarbeit vorbereiten", prepare);
    ASSERT_NO_FATAL_FAILURE(closeByEscape(prepare));

    // A class test's start page, opened from the Datei menu.
    ASSERT_NE(menuByKeys(L"d"), nullptr) << "F10, D opened no menu";
    ASSERT_TRUE(press(L"k"));
    ASSERT_NO_FATAL_FAILURE(fileDialog(L"Klassenarbeit öffnen", examFile));
    const HWND exam = test::waitForOnlyChild(main, kClassTestChildClass, 20000);
    ASSERT_NE(exam, nullptr) << "the class test did not open";
    layout->check(L"Klassenarbeit, Startseite", main);
    ASSERT_TRUE(press(L"alt+a"));
    answerYesIfAsked();
    ASSERT_NE(selection(), nullptr);

    // Hilfe, Über Klavento 7.
    ASSERT_NE(menuByKeys(L"h"), nullptr) << "F10, H opened no menu";
    // Its last item, reached upwards from the first.
    ASSERT_TRUE(press(L"Up Return"));
    const HWND about = topLevel(L"Über Klavento 7", AboutWindow::kClassName);
    layout->check(L"Über Klavento 7", about);
    ASSERT_NO_FATAL_FAILURE(closeByEscape(about));
  }

  std::unique_ptr<LayoutCheck> layout;
  fs::path folder;
  fs::path examFile;
  NONCLIENTMETRICSW original{};
  bool changedFont = false;
};

TEST_F(LargeDpi, EveryWindowFitsWithTheSystemFonts) {
  EXPECT_NO_FATAL_FAILURE(walkEveryWindow());
  EXPECT_TRUE(layout->clean()) << layout->report();
}

class LargeDpiLargerFont : public LargeDpi {
 protected:
  bool largerFont() const override { return true; }
};

TEST_F(LargeDpiLargerFont, EveryWindowFitsWithALargerSystemFont) {
  EXPECT_NO_FATAL_FAILURE(walkEveryWindow());
  EXPECT_TRUE(layout->clean()) << layout->report();
}

}  // namespace
}  // namespace kv
