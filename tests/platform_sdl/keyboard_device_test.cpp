// The SDL keyboard device: key codes, the snapshot, focus, and real key presses sent to
// the window through the X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keyboard.h"
#include "platform/sdl/keyboard_device.h"
#include "platform/sdl/window.h"

namespace zolvane {
namespace {

TEST(KeyCodes, GameKeysGetTheirDirectInputCodes) {
  const std::pair<SDL_Scancode, int> expected[] = {
      {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_RETURN, DIK_RETURN},
      {SDL_SCANCODE_SPACE, DIK_SPACE},   {SDL_SCANCODE_LCTRL, DIK_LCONTROL},
      {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_PAUSE, DIK_PAUSE},
      {SDL_SCANCODE_P, DIK_P},           {SDL_SCANCODE_Y, DIK_Y},
      {SDL_SCANCODE_N, DIK_N},           {SDL_SCANCODE_UP, DIK_UP},
      {SDL_SCANCODE_DOWN, DIK_DOWN},     {SDL_SCANCODE_LEFT, DIK_LEFT},
      {SDL_SCANCODE_RIGHT, DIK_RIGHT},   {SDL_SCANCODE_1, 2},
      {SDL_SCANCODE_0, 11},              {SDL_SCANCODE_A, 30},
      {SDL_SCANCODE_M, 50},              {SDL_SCANCODE_F12, 88},
      {SDL_SCANCODE_KP_ENTER, 156},      {SDL_SCANCODE_AUDIOPLAY, 0}};
  for (const auto& [scancode, dik] : expected) EXPECT_EQ(DikFromScancode(scancode), dik) << scancode;

  // No two keys share a code.
  int owner[256] = {};
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    const int dik = DikFromScancode(static_cast<SDL_Scancode>(sc));
    ASSERT_GE(dik, 0);
    ASSERT_LT(dik, 256);
    if (dik == 0) continue;
    EXPECT_EQ(owner[dik], 0) << "DIK " << dik << " from scancodes " << owner[dik] << " and " << sc;
    owner[dik] = sc;
  }
}

// config.ini's [Keys] names keys as SDL does, any case; the simulator looks them up without
// SDL's video, the game with it (by the layout of the X server's keyboard: US here).
TEST(KeyCodes, KeyNamesGetTheCodesOfTheirKeysWithOrWithoutTheVideo) {
  const std::pair<const char*, int> expected[] = {
      {"Left Ctrl", DIK_LCONTROL}, {"left ctrl", DIK_LCONTROL}, {"Right Ctrl", DIK_RCONTROL},
      {"K", 37},                   {"k", 37},                   {"Space", DIK_SPACE},
      {"Return", DIK_RETURN},      {"Escape", DIK_ESCAPE},      {"Up", DIK_UP},
      {"Pause", DIK_PAUSE},        {"Keypad 5", 76},            {"Keypad Enter", 156},
      {"F12", 88},                 {"-", 12},                   {"F16", 0},
      {"AudioPlay", 0},            {"Spacebar", NoSuchKeyName}, {"", NoSuchKeyName}};
  auto check = [&](const char* when) {
    for (const auto& [name, dik] : expected)
      EXPECT_EQ(DikFromKeyName(name), dik) << '"' << name << "\" " << when;
  };
  if (!SDL_WasInit(SDL_INIT_VIDEO)) check("without the video");
  ASSERT_TRUE(InitVideo());
  check("with the video");
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(KeyCodes, SnapshotHasBit7ForHeldKeysOnly) {
  Uint8 sdl[SDL_NUM_SCANCODES] = {};
  sdl[SDL_SCANCODE_LEFT] = 1;
  sdl[SDL_SCANCODE_RCTRL] = 1;
  sdl[SDL_SCANCODE_AUDIOPLAY] = 1;  // no DirectInput code: ignored
  uint8_t state[256];
  std::fill(std::begin(state), std::end(state), 0x55);
  TranslateKeyboardState(sdl, SDL_NUM_SCANCODES, state);
  int down = 0;
  for (int i = 0; i < 256; ++i) down += state[i] != 0;
  EXPECT_EQ(down, 2);
  EXPECT_EQ(state[DIK_LEFT], 0x80);
  EXPECT_EQ(state[DIK_RCONTROL], 0x80);
  // A short SDL array (fewer keys than scancodes) is not read past its end.
  TranslateKeyboardState(sdl, SDL_SCANCODE_LEFT, state);
  EXPECT_EQ(state[DIK_LEFT], 0);
}

// F11 and Alt+Enter switch full screen: the snapshots the game reads never show them,
// from the press until the release, whatever the order of Alt and the key going up.
TEST(WindowKeys, FullScreenKeysStayOutOfTheSnapshot) {
  const int F11 = DikFromScancode(SDL_SCANCODE_F11), KpEnter = DikFromScancode(SDL_SCANCODE_KP_ENTER);
  struct Step {
    std::vector<int> Down;  // keys held in this snapshot
    Uint16 Mod;
    std::vector<int> Seen;  // what the game sees of them
  };
  struct Case {
    const char* Name;
    std::vector<Step> Steps;
  };
  const Case cases[] = {
      {"Enter alone confirms", {{{DIK_RETURN}, 0, {DIK_RETURN}}}},
      {"Alt+Enter, Alt released first",
       {{{DIK_RETURN}, KMOD_LALT, {}}, {{DIK_RETURN}, 0, {}}, {{}, 0, {}}, {{DIK_RETURN}, 0, {DIK_RETURN}}}},
      {"right Alt with the keypad's Enter", {{{KpEnter}, KMOD_RALT, {}}, {{}, 0, {}}, {{KpEnter}, 0, {KpEnter}}}},
      {"F11 with or without modifiers", {{{F11}, 0, {}}, {{F11, DIK_LEFT}, KMOD_CTRL, {DIK_LEFT}}}},
      {"Enter held before Alt stays the game's",
       {{{DIK_RETURN}, 0, {DIK_RETURN}}, {{DIK_RETURN}, KMOD_LALT, {DIK_RETURN}}}},
      {"Space beside Alt+Enter still drops", {{{DIK_RETURN, DIK_SPACE}, KMOD_LALT, {DIK_SPACE}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WindowKeyFilter filter;
    for (size_t i = 0; i < c.Steps.size(); ++i) {
      SCOPED_TRACE(i);
      uint8_t state[256] = {};
      for (int key : c.Steps[i].Down) state[key] = 0x80;
      filter.Apply(state, c.Steps[i].Mod);
      std::vector<int> seen;
      for (int key = 0; key < 256; ++key)
        if (state[key]) seen.push_back(key);
      EXPECT_EQ(seen, c.Steps[i].Seen);
    }
  }
  EXPECT_TRUE(IsFullScreenKey(SDL_SCANCODE_RETURN, KMOD_RALT));
  EXPECT_FALSE(IsFullScreenKey(SDL_SCANCODE_RETURN, KMOD_CTRL | KMOD_SHIFT));
  EXPECT_FALSE(IsFullScreenKey(SDL_SCANCODE_F10, KMOD_ALT));
}

TEST(KeyboardDevice, NeedsDirectInputAndAWindow) {
  CloseDirectInput();
  EXPECT_FALSE(CreateKeyboard(nullptr));
  EXPECT_FALSE(AcquireKeyboard(true));
  EXPECT_EQ(GetKeyboardSource(), nullptr);
  EXPECT_FALSE(ReadKeyboard());
  CloseDirectInput();  // twice is harmless
}

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 200; ++i) {
    SDL_PumpEvents();
    if (condition()) return true;
    SDL_Delay(10);
  }
  return false;
}

bool XDoTool(const std::string& args) {
  return std::system(("timeout 10 xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

class KeyboardOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
    WindowSettings s;
    s.Title = "keyboard test";
    s.Width = s.Height = 64;
    std::string error;
    Window = CreateGameWindow(s, &error);
    ASSERT_NE(Window, nullptr) << error;
    ASSERT_TRUE(CreateDirectInput());
    ASSERT_TRUE(CreateKeyboard(Window));
    ASSERT_TRUE(AcquireKeyboard(true));
    ASSERT_TRUE(WaitFor([&] { return SDL_GetKeyboardFocus() == Window; }))
        << "the new window did not get the keyboard";
  }
  void TearDown() override {
    XDoTool("keyup space Left Pause Control_R");
    CloseDirectInput();
    DestroyGameWindow(Window);
  }

  bool Held(int dik) {
    return WaitFor([&] { return ReadKeyboard() && IsKeyDown(dik); });
  }
  bool Released(int dik) {
    return WaitFor([&] { return ReadKeyboard() && !IsKeyDown(dik); });
  }

  SDL_Window* Window = nullptr;
};

TEST_F(KeyboardOnScreen, RealKeyPressesReachTheSnapshot) {
  ASSERT_TRUE(ReadKeyboard());
  EXPECT_FALSE(IsKeyDown(DIK_SPACE));
  ASSERT_TRUE(XDoTool("keydown space"));
  EXPECT_TRUE(Held(DIK_SPACE));
  ASSERT_TRUE(XDoTool("keydown Left"));
  EXPECT_TRUE(Held(DIK_LEFT));
  EXPECT_TRUE(IsKeyDown(DIK_SPACE));  // both at once: a snapshot, not events
  ASSERT_TRUE(XDoTool("keyup space"));
  EXPECT_TRUE(Released(DIK_SPACE));
  EXPECT_TRUE(IsKeyDown(DIK_LEFT));
  ASSERT_TRUE(XDoTool("keyup Left"));
  EXPECT_TRUE(Released(DIK_LEFT));

  ASSERT_TRUE(XDoTool("keydown Pause"));
  EXPECT_TRUE(Held(DIK_PAUSE));
  ASSERT_TRUE(XDoTool("keyup Pause keydown Control_R"));
  EXPECT_TRUE(Held(DIK_RCONTROL));
  EXPECT_FALSE(IsKeyDown(DIK_PAUSE));
}

TEST_F(KeyboardOnScreen, NothingIsReadUnacquiredOrWithoutFocusOrAfterClose) {
  ASSERT_TRUE(ReadKeyboard());
  ASSERT_TRUE(AcquireKeyboard(false));
  EXPECT_FALSE(ReadKeyboard());
  ASSERT_TRUE(AcquireKeyboard(true));
  EXPECT_TRUE(ReadKeyboard());

  // Another window takes the focus: the game's window reads nothing (foreground only).
  WindowSettings s;
  s.Title = "other";
  s.Width = s.Height = 32;
  SDL_Window* other = CreateGameWindow(s);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(WaitFor([&] { return SDL_GetKeyboardFocus() == other; }));
  EXPECT_FALSE(ReadKeyboard());
  SDL_SetWindowInputFocus(Window);
  EXPECT_TRUE(WaitFor([&] { return ReadKeyboard(); }));  // and again once it is back
  DestroyGameWindow(other);

  CloseDirectInput();
  EXPECT_EQ(GetKeyboardSource(), nullptr);
  EXPECT_FALSE(ReadKeyboard());
}

}  // namespace
}  // namespace zolvane
