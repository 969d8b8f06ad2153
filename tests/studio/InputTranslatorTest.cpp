// SDL's events as the window layer's input: what each event becomes, and typing into a real
// edit control through the layer, which shows that no character arrives twice or goes missing.
#include <gtest/gtest.h>

#include "host/zrq-studio/InputTranslator.h"

#include <zrqui.h>

#include <string>

namespace {

SDL_Event Key(SDL_Keycode key, bool down, Uint16 mods = 0) {
  SDL_Event event = {};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.keysym.sym = key;
  event.key.keysym.mod = mods;
  return event;
}

SDL_Event Text(const char *text) {
  SDL_Event event = {};
  event.type = SDL_TEXTINPUT;
  std::snprintf(event.text.text, sizeof event.text.text, "%s", text);
  return event;
}

SDL_Event Button(int x, int y, bool down, Uint8 button = SDL_BUTTON_LEFT) {
  SDL_Event event = {};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.button = button;
  event.button.x = x;
  event.button.y = y;
  return event;
}

UiInput KeyInput(UINT vk, bool down) {
  UiInput input{UiInput::Kind::Key};
  input.vk = vk;
  input.down = down;
  return input;
}

UiInput CharInput(WCHAR ch) {
  UiInput input{UiInput::Kind::Char};
  input.ch = ch;
  return input;
}

TEST(InputTranslator, MouseEventsKeepTheirWindowPosition) {
  InputTranslator translator;
  SDL_Event move = {};
  move.type = SDL_MOUSEMOTION;
  move.motion.x = 12;
  move.motion.y = 34;
  EXPECT_EQ(translator.Translate(move), (std::vector<UiInput>{{UiInput::Kind::MouseMove, 12, 34}}));
  EXPECT_EQ(translator.Translate(Button(5, 6, true)),
            (std::vector<UiInput>{{UiInput::Kind::MouseButton, 5, 6, true}}));
  EXPECT_EQ(translator.Translate(Button(5, 6, false)),
            (std::vector<UiInput>{{UiInput::Kind::MouseButton, 5, 6, false}}));
  EXPECT_TRUE(translator.Translate(Button(5, 6, true, SDL_BUTTON_RIGHT)).empty());
}

TEST(InputTranslator, TextALetterKeyAlreadyTypesIsNotSentAgain) {
  InputTranslator translator;
  EXPECT_EQ(translator.Translate(Key(SDLK_a, true)), (std::vector<UiInput>{KeyInput('A', true)}));
  EXPECT_TRUE(translator.Translate(Text("a")).empty());
  EXPECT_EQ(translator.Translate(Key(SDLK_a, false)), (std::vector<UiInput>{KeyInput('A', false)}));
  // With Shift the key makes the capital, which is what SDL reports.
  translator.Translate(Key(SDLK_b, true, KMOD_LSHIFT));
  EXPECT_TRUE(translator.Translate(Text("B")).empty());
}

TEST(InputTranslator, TextTheLayerCannotMakeFromTheKeyIsSentAsCharacters) {
  InputTranslator translator;
  // Shift+1: the layer makes no character of a shifted digit.
  translator.Translate(Key(SDLK_1, true, KMOD_LSHIFT));
  EXPECT_EQ(translator.Translate(Text("!")), (std::vector<UiInput>{CharInput(u'!')}));
  // Text without a key of its own (an input method, a keypad digit), outside the BMP too.
  EXPECT_EQ(translator.Translate(Text("\xC3\xA9")), (std::vector<UiInput>{CharInput(u'\u00E9')}));
  EXPECT_EQ(translator.Translate(Text("\xF0\x9F\x98\x80")),
            (std::vector<UiInput>{CharInput(0xD83D), CharInput(0xDE00)}));
  // A key's character is expected once only: the same text again is typed.
  translator.Translate(Key(SDLK_7, true));
  EXPECT_TRUE(translator.Translate(Text("7")).empty());
  EXPECT_EQ(translator.Translate(Text("7")), (std::vector<UiInput>{CharInput(u'7')}));
}

TEST(InputTranslator, KeysTheLayerDoesNotKnowAreDropped) {
  InputTranslator translator;
  EXPECT_TRUE(translator.Translate(Key(SDLK_F7, true)).empty());
  EXPECT_EQ(VirtualKeyOf(SDLK_LEFT), UINT(VK_LEFT));
  EXPECT_EQ(VirtualKeyOf(SDLK_KP_ENTER), UINT(VK_RETURN));
  EXPECT_EQ(VirtualKeyOf(SDLK_RALT), UINT(VK_MENU));
  EXPECT_EQ(VirtualKeyOf(SDLK_z), UINT('Z'));
}

// An edit control with the focus in a window of its own.
class TypingIntoAnEdit : public ::testing::Test {
protected:
  void SetUp() override {
    root = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 40, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(root, nullptr);
    edit = CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 180, 20,
                           root, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
  }
  void TearDown() override { DestroyWindow(root); }

  void Send(const SDL_Event &event) {
    ASSERT_TRUE(SendToWindowLayer(root, translator.Translate(event)));
    ZrqUiPumpMessages();
  }
  // A key press as SDL reports it: down, its text, up.
  void Press(SDL_Keycode key, const char *text, Uint16 mods = 0) {
    Send(Key(key, true, mods));
    if (text) Send(Text(text));
    Send(Key(key, false, mods));
  }
  std::u16string Typed() const {
    WCHAR text[64] = {};
    GetWindowTextW(edit, text, 64);
    return text;
  }

  InputTranslator translator;
  HWND root = nullptr;
  HWND edit = nullptr;
};

TEST_F(TypingIntoAnEdit, EveryCharacterArrivesOnce) {
  Press(SDLK_4, "4");
  Press(SDLK_2, "2");
  Press(SDLK_PERIOD, ".");
  Press(SDLK_5, "5");
  Press(SDLK_x, "x");
  Press(SDLK_SPACE, " ");
  Send(Key(SDLK_LSHIFT, true, KMOD_LSHIFT));
  Press(SDLK_1, "!", KMOD_LSHIFT);
  Press(SDLK_h, "H", KMOD_LSHIFT);
  Send(Key(SDLK_LSHIFT, false));
  EXPECT_EQ(Typed(), u"42.5x !H");
  Press(SDLK_BACKSPACE, nullptr);
  EXPECT_EQ(Typed(), u"42.5x !");
}

} // namespace
