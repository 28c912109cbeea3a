#include "keys/key_script.h"

#include <array>
#include <string>

namespace ordertable {
namespace {

enum class KeyAction { kDownOnly, kUpOnly, kPress };

struct NamedKey {
  std::string_view name;
  std::uint16_t virtual_key;
  KeyAction action;
};

constexpr std::uint16_t kShiftKey = 0x10;
constexpr std::uint16_t kControlKey = 0x11;
constexpr std::uint16_t kAltKey = 0x12;

// Every name a key script may hold between braces, compared after upper-casing.
constexpr std::array<NamedKey, 37> kNamedKeys{{
    {"CTRL_D", kControlKey, KeyAction::kDownOnly},
    {"CTRL_U", kControlKey, KeyAction::kUpOnly},
    {"ALT_D", kAltKey, KeyAction::kDownOnly},
    {"ALT_U", kAltKey, KeyAction::kUpOnly},
    {"SHIFT_D", kShiftKey, KeyAction::kDownOnly},
    {"SHIFT_U", kShiftKey, KeyAction::kUpOnly},
    {"WIN_D", 0x5B, KeyAction::kDownOnly},
    {"WIN_U", 0x5B, KeyAction::kUpOnly},
    {"BACKSPACE", 0x08, KeyAction::kPress},
    {"ENTER", 0x0D, KeyAction::kPress},
    {"INSERT", 0x2D, KeyAction::kPress},
    {"DELETE", 0x2E, KeyAction::kPress},
    {"RIGHT", 0x27, KeyAction::kPress},
    {"LEFT", 0x25, KeyAction::kPress},
    {"UP", 0x26, KeyAction::kPress},
    {"DOWN", 0x28, KeyAction::kPress},
    {"HOME", 0x24, KeyAction::kPress},
    {"END", 0x23, KeyAction::kPress},
    {"TAB", 0x09, KeyAction::kPress},
    {"ESCAPE", 0x1B, KeyAction::kPress},
    {"PGUP", 0x21, KeyAction::kPress},
    {"PGDN", 0x22, KeyAction::kPress},
    {"F1", 0x70, KeyAction::kPress},
    {"F2", 0x71, KeyAction::kPress},
    {"F3", 0x72, KeyAction::kPress},
    {"F4", 0x73, KeyAction::kPress},
    {"F5", 0x74, KeyAction::kPress},
    {"F6", 0x75, KeyAction::kPress},
    {"F7", 0x76, KeyAction::kPress},
    {"F8", 0x77, KeyAction::kPress},
    {"F9", 0x78, KeyAction::kPress},
    {"F10", 0x79, KeyAction::kPress},
    {"F11", 0x7A, KeyAction::kPress},
    {"F12", 0x7B, KeyAction::kPress},
    {"APPS", 0x5D, KeyAction::kPress},
    {"NUMLOCK", 0x90, KeyAction::kPress},
    {"CAPITAL", 0x14, KeyAction::kPress},
}};

// The navigation block: only these keys carry the extended-key flag, and only when they
// come from a key name.
bool IsExtendedKey(std::uint16_t virtual_key) {
  return (virtual_key >= 0x21 && virtual_key <= 0x28) || virtual_key == 0x2D || virtual_key == 0x2E;
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

class BatchBuilder {
 public:
  explicit BatchBuilder(KeyboardLayout& layout) : layout_(layout) {}

  void KeyDown(std::uint16_t virtual_key, std::uint32_t flags = 0) {
    batch_.push_back({virtual_key, layout_.KeyToScanCode(virtual_key), flags});
  }
  void KeyUp(std::uint16_t virtual_key, std::uint32_t flags = 0) {
    batch_.push_back({virtual_key, layout_.KeyToScanCode(virtual_key), flags | kKeyUp});
  }

  void NamedKeyEvents(std::string_view name) {
    const std::string upper = UpperCase(name);
    for (const NamedKey& key : kNamedKeys) {
      if (key.name != upper) continue;
      const std::uint32_t flags = IsExtendedKey(key.virtual_key) ? kKeyExtended : 0;
      if (key.action != KeyAction::kUpOnly) KeyDown(key.virtual_key, flags);
      if (key.action != KeyAction::kDownOnly) KeyUp(key.virtual_key, flags);
      return;
    }
  }

  // Modifiers are released in the order they were pressed, as the platform expects them
  // from this sender; keys held down by earlier names are not looked at.
  void PlainCharacter(unsigned char character) {
    const std::uint16_t answer = layout_.CharacterToKey(character);
    if (answer == 0xFFFF) {
      batch_.push_back({0, layout_.CharacterToUtf16(character), kKeyUnicode});
      return;
    }
    const auto virtual_key = static_cast<std::uint16_t>(answer & 0xFF);
    const unsigned shift_state = answer >> 8;
    const std::array<std::uint16_t, 3> modifiers{kShiftKey, kControlKey, kAltKey};
    for (unsigned bit = 0; bit < modifiers.size(); ++bit) {
      if (shift_state & (1u << bit)) KeyDown(modifiers[bit]);
    }
    KeyDown(virtual_key);
    KeyUp(virtual_key);
    for (unsigned bit = 0; bit < modifiers.size(); ++bit) {
      if (shift_state & (1u << bit)) KeyUp(modifiers[bit]);
    }
  }

  std::vector<KeyEvent> Take() { return std::move(batch_); }

 private:
  KeyboardLayout& layout_;
  std::vector<KeyEvent> batch_;
};

}  // namespace

std::vector<KeyEvent> BuildKeyEvents(std::string_view script, KeyboardLayout& layout) {
  BatchBuilder builder(layout);
  bool in_name = false;
  std::string name;
  for (const char c : script) {
    if (c == '{') {
      in_name = true;
      name.clear();
    } else if (c == '}') {
      // A closing brace outside a name closes nothing and is ignored.
      if (in_name) builder.NamedKeyEvents(name);
      in_name = false;
    } else if (in_name) {
      name.push_back(c);
    } else {
      builder.PlainCharacter(static_cast<unsigned char>(c));
    }
  }
  return builder.Take();
}

}  // namespace ordertable
