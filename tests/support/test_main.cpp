// The tests' main: GoogleTest with a watchdog that closes any dialog or
// message box left on screen, so that a fault can fail a test but never hang
// the run.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace {

constexpr DWORD kPatienceMs = 8000;

class DialogWatchdog : public ::testing::Environment {
 public:
  void SetUp() override {
    // Wine loads its display driver at the first call that needs it, under the
    // loader lock. Were that the watchdog's first look at the windows while a
    // test loads a DLL whose start-up registers window classes (holding the
    // loader lock), each thread would wait for the other: loaded here first.
    ReleaseDC(nullptr, GetDC(nullptr));
    running_ = true;
    thread_ = std::thread([this] { Watch(); });
  }
  void TearDown() override {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }

 private:
  struct Seen {
    DWORD since;
    int attempts;
  };
  static BOOL CALLBACK Collect(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        std::string(className) == "#32770")
      reinterpret_cast<std::map<HWND, Seen>*>(data)->emplace(window, Seen{GetTickCount(), 0});
    return TRUE;
  }
  void Watch() {
    std::map<HWND, Seen> seen;
    while (running_) {
      std::map<HWND, Seen> now;
      EnumWindows(Collect, reinterpret_cast<LPARAM>(&now));
      for (auto& [window, info] : now) {
        auto old = seen.find(window);
        if (old != seen.end()) info = old->second;
        if (GetTickCount() - info.since > kPatienceMs + DWORD(info.attempts) * 1000) {
          char caption[256] = "";
          GetWindowTextA(window, caption, sizeof caption);
          ADD_FAILURE() << "a dialog was left on screen and closed by the watchdog: \"" << caption
                        << "\"";
          PostMessageA(window, WM_COMMAND, info.attempts % 2 ? IDOK : IDCANCEL, 0);
          if (info.attempts++ > 3) PostMessageA(window, WM_CLOSE, 0, 0);
        }
      }
      seen = std::move(now);
      Sleep(250);
    }
  }
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new DialogWatchdog);
  return RUN_ALL_TESTS();
}
