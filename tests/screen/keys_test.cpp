#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/display_back_end.h"
#include "screen/key_buffer.h"
#include "screen/key_translation.h"

namespace novabit {
namespace {

TEST(KeyBufferTest, GivesKeysOldestFirstAndZeroWhenEmpty) {
  KeyBuffer keys;
  EXPECT_EQ(keys.take(), 0);
  keys.post('a');
  keys.post('b');
  EXPECT_EQ(keys.take(), 'a');
  EXPECT_EQ(keys.take(), 'b');
  EXPECT_EQ(keys.take(), 0);
}

TEST(KeyBufferTest, OverflowKeepsTheLastFifteen) {
  KeyBuffer keys;
  for (KeyCode code = 1; code <= 20; ++code) {
    keys.post(code);
  }
  for (KeyCode code = 6; code <= 20; ++code) {
    EXPECT_EQ(keys.take(), code);
  }
  EXPECT_EQ(keys.take(), 0);
}

TEST(KeyBufferTest, KeyTextHasZeroOneOrTwoBytes) {
  EXPECT_EQ(key_text(0), "");
  EXPECT_EQ(key_text(' '), " ");
  EXPECT_EQ(key_text(0x82), "\x82");
  EXPECT_EQ(key_text(0x48FF), "\xFF\x48");
  EXPECT_EQ(key_text(0x3BFF), "\xFF;");
  EXPECT_EQ(key_text(kCloseKey), "\xFFk");
}

TEST(KeyTranslationTest, CharactersBecomeCodePage437Bytes) {
  const struct {
    std::uint32_t codePoint;
    std::optional<std::uint8_t> byte;
  } cases[] = {
      {' ', 0x20},    {'a', 'a'},     {'~', '~'},     {0x00E9, 0x82},  // é
      {0x00F3, 0xA2},                                                  // ó
      {0x00FA, 0xA3},                                                  // ú
      {0x00D1, 0xA5},                                                  // Ñ
      {0x00C7, 0x80},                                                  // Ç
      {0x2264, 0xF3},                                                  // ≤
      {0x2588, 0xDB},                                                  // full block
      {0x00A0, 0xFF},                                                  // no-break space
      {0x00C0, std::nullopt},                                          // À is not in the code page
      {0x20AC, std::nullopt},                                          // €
      {0x1F600, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp437_from_code_point(c.codePoint), c.byte) << std::hex << c.codePoint;
  }
}

TEST(KeyTranslationTest, ExtendedKeysFollowThePcKeyboardCodes) {
  constexpr std::uint8_t kF1 = 0x3B, kF4 = 0x3E, kF11 = 0x57, kF12 = 0x58, kUp = 0x48, kHome = 0x47,
                         kPageDown = 0x51, kDelete = 0x53, kQ = 0x10, kM = 0x32, kA = 0x1E, kSpace = 0x39,
                         kOne = 0x02;
  const struct {
    std::uint8_t scanCode;
    unsigned modifiers;
    KeyCode code;
  } cases[] = {
      {kF1, modifier_none, 0x3BFF},
      {kF1, modifier_shift, 0x54FF},
      {kF1, modifier_ctrl, 0x5EFF},
      {kF1, modifier_alt, 0x68FF},
      {kF4, modifier_alt, kCloseKey},
      {kF11, modifier_none, 0x85FF},
      {kF12, modifier_none, 0x86FF},
      {kF12, modifier_alt, 0x8CFF},
      {kUp, modifier_none, 0x48FF},
      {kUp, modifier_shift, 0x48FF},
      {kUp, modifier_ctrl, 0x8DFF},
      {kUp, modifier_alt, 0x98FF},
      {kHome, modifier_ctrl, 0x77FF},
      {kPageDown, modifier_ctrl, 0x76FF},
      {kDelete, modifier_none, 0x53FF},
      {kDelete, modifier_ctrl | modifier_alt, 0xA3FF},  // Alt wins
      {kQ, modifier_alt, 0x10FF},
      {kM, modifier_alt, 0x32FF},
      {kOne, modifier_alt, 0x78FF},
      {kA, modifier_none, 0},  // a plain character arrives as text
      {kA, modifier_shift, 0},
      {kSpace, modifier_none, 0},
      {0xFF, modifier_none, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(extended_key_code(c.scanCode, c.modifiers), c.code)
        << std::hex << int{c.scanCode} << " modifiers " << c.modifiers;
  }
}

}  // namespace
}  // namespace novabit
