// The key-script event builder, on a made-up keyboard layout. Input = [4 bytes choosing the
// layout][key script]. The batch must equal the one worked out here from the key-name table
// and the layout's answers, and every event must be well formed.

#include <array>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "keys/key_script.h"

namespace {

using ordertable::KeyboardLayout;
using ordertable::KeyEvent;
using ordertable::kKeyExtended;
using ordertable::kKeyUnicode;
using ordertable::kKeyUp;

// A layout whose answers are a fixed mix of the chosen bits and the question. About one
// character in eight has no key; shift states carry stray high bits, which must be ignored.
class MadeUpLayout : public KeyboardLayout {
 public:
  explicit MadeUpLayout(std::uint32_t bits) : bits_(bits) {}

  std::uint16_t CharacterToKey(unsigned char character) override {
    const std::uint32_t mixed = Mix(character);
    if ((mixed & 7) == 0) return 0xFFFF;
    return static_cast<std::uint16_t>(mixed >> 8);
  }
  std::uint16_t KeyToScanCode(std::uint16_t virtual_key) override {
    return static_cast<std::uint16_t>(Mix(0x10000u + virtual_key) >> 4);
  }
  std::uint16_t CharacterToUtf16(unsigned char character) override {
    return static_cast<std::uint16_t>(Mix(0x20000u + character) >> 12);
  }

 private:
  std::uint32_t Mix(std::uint32_t question) const {
    std::uint32_t x = (question + 0x9E3779B9u) ^ bits_;
    x = (x ^ (x >> 16)) * 0x85EBCA6Bu;
    x = (x ^ (x >> 13)) * 0xC2B2AE35u;
    return x ^ (x >> 16);
  }
  std::uint32_t bits_;
};

enum class Action { kDown, kUp, kPress };
struct Name {
  const char* text;
  std::uint16_t key;
  Action action;
  bool extended;
};
constexpr std::array<Name, 37> kNames{{
    {"CTRL_D", 0x11, Action::kDown, false},     {"CTRL_U", 0x11, Action::kUp, false},
    {"ALT_D", 0x12, Action::kDown, false},      {"ALT_U", 0x12, Action::kUp, false},
    {"SHIFT_D", 0x10, Action::kDown, false},    {"SHIFT_U", 0x10, Action::kUp, false},
    {"WIN_D", 0x5B, Action::kDown, false},      {"WIN_U", 0x5B, Action::kUp, false},
    {"BACKSPACE", 0x08, Action::kPress, false}, {"ENTER", 0x0D, Action::kPress, false},
    {"INSERT", 0x2D, Action::kPress, true},     {"DELETE", 0x2E, Action::kPress, true},
    {"RIGHT", 0x27, Action::kPress, true},      {"LEFT", 0x25, Action::kPress, true},
    {"UP", 0x26, Action::kPress, true},         {"DOWN", 0x28, Action::kPress, true},
    {"HOME", 0x24, Action::kPress, true},       {"END", 0x23, Action::kPress, true},
    {"TAB", 0x09, Action::kPress, false},       {"ESCAPE", 0x1B, Action::kPress, false},
    {"PGUP", 0x21, Action::kPress, true},       {"PGDN", 0x22, Action::kPress, true},
    {"F1", 0x70, Action::kPress, false},        {"F2", 0x71, Action::kPress, false},
    {"F3", 0x72, Action::kPress, false},        {"F4", 0x73, Action::kPress, false},
    {"F5", 0x74, Action::kPress, false},        {"F6", 0x75, Action::kPress, false},
    {"F7", 0x76, Action::kPress, false},        {"F8", 0x77, Action::kPress, false},
    {"F9", 0x78, Action::kPress, false},        {"F10", 0x79, Action::kPress, false},
    {"F11", 0x7A, Action::kPress, false},       {"F12", 0x7B, Action::kPress, false},
    {"APPS", 0x5D, Action::kPress, false},      {"NUMLOCK", 0x90, Action::kPress, false},
    {"CAPITAL", 0x14, Action::kPress, false},
}};

class ExpectedBatch {
 public:
  explicit ExpectedBatch(KeyboardLayout& layout) : layout_(layout) {}

  void Named(std::string name) {
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (const Name& entry : kNames) {
      if (name != entry.text) continue;
      const std::uint32_t extended = entry.extended ? kKeyExtended : 0;
      if (entry.action != Action::kUp) Add(entry.key, extended);
      if (entry.action != Action::kDown) Add(entry.key, extended | kKeyUp);
    }
  }

  void Plain(unsigned char character) {
    const std::uint16_t answer = layout_.CharacterToKey(character);
    if (answer == 0xFFFF) {
      events_.push_back({0, layout_.CharacterToUtf16(character), kKeyUnicode});
      return;
    }
    const std::uint16_t key = answer & 0xFF;
    const bool shift = answer & 0x100, ctrl = answer & 0x200, alt = answer & 0x400;
    if (shift) Add(0x10, 0);
    if (ctrl) Add(0x11, 0);
    if (alt) Add(0x12, 0);
    Add(key, 0);
    Add(key, kKeyUp);
    if (shift) Add(0x10, kKeyUp);
    if (ctrl) Add(0x11, kKeyUp);
    if (alt) Add(0x12, kKeyUp);
  }

  const std::vector<KeyEvent>& events() const { return events_; }

 private:
  void Add(std::uint16_t key, std::uint32_t flags) {
    events_.push_back({key, layout_.KeyToScanCode(key), flags});
  }
  KeyboardLayout& layout_;
  std::vector<KeyEvent> events_;
};

std::vector<KeyEvent> Expected(std::string_view script, KeyboardLayout& layout) {
  ExpectedBatch batch(layout);
  std::string name;
  bool in_name = false;
  for (char c : script) {
    if (c == '{') {
      in_name = true;
      name.clear();
    } else if (c == '}') {
      if (in_name) batch.Named(name);  // a stray closing brace adds nothing
      in_name = false;
    } else if (in_name) {
      name.push_back(c);
    } else {
      batch.Plain(static_cast<unsigned char>(c));
    }
  }
  return batch.events();
}

bool IsExtendedKey(std::uint16_t key) {
  return (key >= 0x21 && key <= 0x28) || key == 0x2D || key == 0x2E;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t bits = data[0] | (std::uint32_t{data[1]} << 8) |
                             (std::uint32_t{data[2]} << 16) | (std::uint32_t{data[3]} << 24);
  const std::string_view script = ordertable::fuzz::AsText(data + 4, size - 4);
  MadeUpLayout layout(bits);
  const std::vector<KeyEvent> events = ordertable::BuildKeyEvents(script, layout);

  FUZZ_CHECK(events == Expected(script, layout));
  // At most eight events per byte: a key with Shift, Ctrl and Alt, each down and up.
  FUZZ_CHECK(events.size() <= 8 * script.size());
  for (const KeyEvent& event : events) {
    FUZZ_CHECK(event.flags <= (kKeyExtended | kKeyUp) || event.flags == kKeyUnicode);
    if (event.flags == kKeyUnicode) {
      FUZZ_CHECK(event.virtual_key == 0);
    } else {
      FUZZ_CHECK(event.scan_code == layout.KeyToScanCode(event.virtual_key));
    }
    if (event.flags & kKeyExtended) FUZZ_CHECK(IsExtendedKey(event.virtual_key));
  }
  // A script without braces types each byte: every key that goes down comes up again.
  if (script.find_first_of("{}") == std::string_view::npos) {
    int held = 0;
    for (const KeyEvent& event : events) {
      if (event.flags == kKeyUnicode) continue;
      held += (event.flags & kKeyUp) ? -1 : 1;
      FUZZ_CHECK(held >= 0);
    }
    FUZZ_CHECK(held == 0);
  }
  return 0;
}
