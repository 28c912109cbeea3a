#include "keys/key_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ordertable {
namespace {

// A layout with visibly distinct answers: the scan code of a key is 0x100 + its virtual key,
// so a test can tell which key a scan code was asked for.
class FakeLayout : public KeyboardLayout {
  static std::uint16_t Key(int answer) { return static_cast<std::uint16_t>(answer); }

 public:
  FakeLayout() {
    for (int c = 'a'; c <= 'z'; ++c) keys_[static_cast<unsigned char>(c)] = Key(c - 'a' + 'A');
    for (int c = 'A'; c <= 'Z'; ++c) keys_[static_cast<unsigned char>(c)] = Key(0x100 | c);
    keys_['@'] = 0x0651;  // Ctrl+Alt+Q, as on a German layout
    keys_['%'] = 0x0935;  // Shift plus a bit no modifier uses
    keys_['&'] = 0x0025;  // lands on the LEFT key's code
    utf16_[0x80] = 0x20AC;
    utf16_[0xE9] = 0x00E9;
  }

  std::uint16_t CharacterToKey(unsigned char character) override {
    const auto it = keys_.find(character);
    return it == keys_.end() ? 0xFFFF : it->second;
  }
  std::uint16_t KeyToScanCode(std::uint16_t virtual_key) override {
    return static_cast<std::uint16_t>(0x100 + virtual_key);
  }
  std::uint16_t CharacterToUtf16(unsigned char character) override {
    const auto it = utf16_.find(character);
    return it == utf16_.end() ? 0xFFFD : it->second;
  }

 private:
  std::map<unsigned char, std::uint16_t> keys_;
  std::map<unsigned char, std::uint16_t> utf16_;
};

KeyEvent Down(std::uint16_t key, std::uint32_t flags = 0) {
  return {key, static_cast<std::uint16_t>(0x100 + key), flags};
}
KeyEvent Up(std::uint16_t key, std::uint32_t flags = 0) {
  return {key, static_cast<std::uint16_t>(0x100 + key), flags | 0x2};
}
KeyEvent Unicode(std::uint16_t unit) { return {0, unit, 0x4}; }

std::vector<KeyEvent> Build(std::string_view script) {
  FakeLayout layout;
  return BuildKeyEvents(script, layout);
}

enum Action { kDown, kUp, kPress };

struct NamedKeyCase {
  const char* name;
  std::uint16_t virtual_key;
  Action action;
  bool extended;
};

// The complete key-name table as the sender must know it.
const NamedKeyCase kNamedKeyCases[] = {
    {"CTRL_D", 0x11, kDown, false},     {"CTRL_U", 0x11, kUp, false},
    {"ALT_D", 0x12, kDown, false},      {"ALT_U", 0x12, kUp, false},
    {"SHIFT_D", 0x10, kDown, false},    {"SHIFT_U", 0x10, kUp, false},
    {"WIN_D", 0x5B, kDown, false},      {"WIN_U", 0x5B, kUp, false},
    {"BACKSPACE", 0x08, kPress, false}, {"ENTER", 0x0D, kPress, false},
    {"INSERT", 0x2D, kPress, true},     {"DELETE", 0x2E, kPress, true},
    {"RIGHT", 0x27, kPress, true},      {"LEFT", 0x25, kPress, true},
    {"UP", 0x26, kPress, true},         {"DOWN", 0x28, kPress, true},
    {"HOME", 0x24, kPress, true},       {"END", 0x23, kPress, true},
    {"TAB", 0x09, kPress, false},       {"ESCAPE", 0x1B, kPress, false},
    {"PGUP", 0x21, kPress, true},       {"PGDN", 0x22, kPress, true},
    {"F1", 0x70, kPress, false},        {"F2", 0x71, kPress, false},
    {"F3", 0x72, kPress, false},        {"F4", 0x73, kPress, false},
    {"F5", 0x74, kPress, false},        {"F6", 0x75, kPress, false},
    {"F7", 0x76, kPress, false},        {"F8", 0x77, kPress, false},
    {"F9", 0x78, kPress, false},        {"F10", 0x79, kPress, false},
    {"F11", 0x7A, kPress, false},       {"F12", 0x7B, kPress, false},
    {"APPS", 0x5D, kPress, false},      {"NUMLOCK", 0x90, kPress, false},
    {"CAPITAL", 0x14, kPress, false},
};

std::string LowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

TEST(KeyScriptTest, EveryKeyNameGivesItsEventsInAnyLetterCase) {
  ASSERT_EQ(std::size(kNamedKeyCases), 37u);
  for (const NamedKeyCase& key : kNamedKeyCases) {
    SCOPED_TRACE(key.name);
    const std::uint32_t flags = key.extended ? 0x1 : 0;
    std::vector<KeyEvent> expected;
    if (key.action != kUp) expected.push_back(Down(key.virtual_key, flags));
    if (key.action != kDown) expected.push_back(Up(key.virtual_key, flags));
    EXPECT_EQ(Build(std::string("{") + key.name + "}"), expected);
    EXPECT_EQ(Build("{" + LowerCase(key.name) + "}"), expected);
  }
}

TEST(KeyScriptTest, TheWizardsCloseTabScriptGivesFourEvents) {
  EXPECT_EQ(Build("{CTRL_D}w{CTRL_U}"),
            (std::vector<KeyEvent>{
                {0x11, 0x111, 0}, {0x57, 0x157, 0}, {0x57, 0x157, 2}, {0x11, 0x111, 2}}));
}

struct ScriptCase {
  const char* what;
  std::string script;
  std::vector<KeyEvent> expected;
};

TEST(KeyScriptTest, ScriptEdgeCases) {
  const ScriptCase cases[] = {
      {"empty script", "", {}},
      {"empty name", "{}", {}},
      {"unknown names only", "{BOGUS}{F13}", {}},
      {"unknown name skipped", "{BOGUS}x", {Down('X'), Up('X')}},
      {"unfinished name at the end", "a{CTRL_D", {Down('A'), Up('A')}},
      {"second brace drops the first name",
       "a{b{ENTER}",
       {Down('A'), Up('A'), Down(0x0D), Up(0x0D)}},
      {"no trimming inside a name", "{ ENTER}{ENTER }", {}},
      {"stray closing brace does not repeat the name", "{ENTER}}", {Down(0x0D), Up(0x0D)}},
      {"stray closing brace before anything", "}x", {Down('X'), Up('X')}},
      {"closing brace of a name, then plain text",
       "{TAB}t",
       {Down(0x09), Up(0x09), Down('T'), Up('T')}},
      {"capital needs Shift", "W", {Down(0x10), Down('W'), Up('W'), Up(0x10)}},
      {"Ctrl and Alt released in pressing order",
       "@",
       {Down(0x11), Down(0x12), Down('Q'), Up('Q'), Up(0x11), Up(0x12)}},
      {"unused shift-state bits ignored", "%", {Down(0x10), Down('5'), Up('5'), Up(0x10)}},
      {"a typed character never gets the extended flag", "&", {Down(0x25), Up(0x25)}},
      {"no key on the layout: one Unicode event", "\x80\xE9", {Unicode(0x20AC), Unicode(0x00E9)}},
      {"held modifiers are not looked at",
       "{SHIFT_D}a{SHIFT_U}",
       {Down(0x10), Down('A'), Up('A'), Up(0x10)}},
      {"lone key-up is still sent", "{ALT_U}", {Up(0x12)}},
      {"braces inside a name restart it", "{{ENTER}", {Down(0x0D), Up(0x0D)}},
      {"NUL byte is a plain character", std::string("\0", 1), {Unicode(0xFFFD)}},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Build(c.script), c.expected);
  }
}

TEST(KeyScriptTest, ExtendedKeysCarryTheFlagOnBothEvents) {
  EXPECT_THAT(Build("{LEFT}"), testing::ElementsAre(Down(0x25, 0x1), Up(0x25, 0x1)));
  EXPECT_EQ(Build("{LEFT}")[1].flags, 0x3u);
  EXPECT_THAT(Build("{TAB}"), testing::ElementsAre(Down(0x09, 0), Up(0x09, 0)));
}

}  // namespace
}  // namespace ordertable
