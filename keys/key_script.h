#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ordertable {

/// One synthetic keyboard event, as the platform's keyboard input record carries it.
struct KeyEvent {
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  std::uint32_t flags = 0;

  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

inline constexpr std::uint32_t kKeyExtended = 0x1;
inline constexpr std::uint32_t kKeyUp = 0x2;
inline constexpr std::uint32_t kKeyUnicode = 0x4;

/// The three answers only the keyboard layout can give.
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  /// Low byte virtual key, high byte shift state; 0xFFFF when the layout has no key.
  virtual std::uint16_t CharacterToKey(unsigned char character) = 0;
  /// The scan code of a virtual key.
  virtual std::uint16_t KeyToScanCode(std::uint16_t virtual_key) = 0;
  /// The first UTF-16 code unit of the character in the ANSI code page.
  virtual std::uint16_t CharacterToUtf16(unsigned char character) = 0;
};

/// Turns a key script (plain characters and braced key names) into one event batch.
/// Unknown names, an unfinished name and a closing brace outside a name add nothing.
std::vector<KeyEvent> BuildKeyEvents(std::string_view script, KeyboardLayout& layout);

/// Sends a key script as keystrokes to the window that has the focus (platform part).
/// An empty script makes no platform call; any other fetches the layout once and hands
/// the whole batch, even an empty one, to the platform in a single call. Returns that batch.
std::vector<KeyEvent> SendKeyScript(std::string_view script);

}  // namespace ordertable
