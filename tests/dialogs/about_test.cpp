// The About box run by its command: the version in its read-only field, and
// the three ways of closing it.
#include <gtest/gtest.h>

#include "bar/real_bar_fixture.h"
#include "dialogs/about.h"
#include "resources/resource.h"
#include "support/modal_script.h"
#include "support/msgbox_catcher.h"

namespace {

using AboutTest = RealBarTest;

TEST_F(AboutTest, ShowsTheVersionReadOnlyAndClosesByOkEscapeOrCloseBox) {
  const std::function<void(HWND)> closers[] = {
      [](HWND d) { ModalScript::Click(d, IDOK); },
      [](HWND d) {
        HWND field = GetDlgItem(d, IDC_ABOUT_VERSION);
        PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
      },
      [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
  };
  for (const auto& close : closers) {
    std::string version = "<not seen>";
    bool readOnly = false, typedAway = false;
    ModalScript script({ModalScript::In("About QX's Extension", [&](HWND d) {
      HWND field = GetDlgItem(d, IDC_ABOUT_VERSION);
      char text[64] = "";
      GetWindowTextA(field, text, sizeof text);
      version = text;
      readOnly = (GetWindowLongA(field, GWL_STYLE) & ES_READONLY) != 0;
      // Typing into the field changes nothing.
      SendMessageA(field, WM_CHAR, '7', 0);
      GetWindowTextA(field, text, sizeof text);
      typedAway = version != text;
      close(d);
    })});
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(frame_, CMD_ABOUT, 0), 0);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(version, "1.1");
    EXPECT_TRUE(readOnly);
    EXPECT_FALSE(typedAway);
  }
}

}  // namespace
